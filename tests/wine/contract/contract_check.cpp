// The real services under Wine: the service contracts the simulated machine keeps
// too (tests/contract/ServiceContracts.h), then the windowing backend's own checks
// (peers, loop, timers, modal forms, filter, keys, cursor, message boxes).
//
//   contract_check.exe [--dde] [--exe PATH]
//     --dde: a test Program Manager is running; --exe: Velvinor.exe, whose
//     resources (icon, version information, manifest) are checked too
//
// Prints one line per failure and a summary; exit code 1 on any failure.

#include "platform/win32/Win32.h"
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/ServiceContracts.h"
#include "forms/Forms.h"
#include "platform/win32/Services.h"
#include "platform/win32/Warmup.h"
#include "platform/win32/WinText.h"

namespace vel {
namespace {

using win32::Wide;

HWND Hwnd(const Control& c) { return reinterpret_cast<HWND>(c.Handle()); }

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 511);
    return buffer;
}

int g_rightDowns = 0, g_rightUps = 0;
WNDPROC g_labelProc = nullptr;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RBUTTONDOWN) ++g_rightDowns;
    if (message == WM_RBUTTONUP) ++g_rightUps;
    return CallWindowProcW(g_labelProc, hwnd, message, wParam, lParam);
}

// A BMP file of one red pixel.
std::string RedPixelBmp() {
    std::string bmp(58, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 58);
    put32(10, 54);
    put32(14, 40);
    put32(18, 1);
    put32(22, 1);
    bmp[26] = 1;
    bmp[28] = 24;
    bmp[54 + 2] = static_cast<char>(0xFF);  // blue, green, red
    return bmp;
}

void UiChecks(Ui& ui, contract::Report& r) {
    r.area = "ui";
    Application app(ui);
    app.SetTitle(Ru("Вельвинор"));
    Form main(app, "Main");
    main.SetBorder(BorderStyle::None);
    main.SetColor(0x000000);
    main.SetMaximized(true);
    Label label(main, "Label", {8, 8, 200, 20}, Ru("Текст"));
    Edit edit(main, "Edit", {8, 40, 200, 24});
    Button button(main, "Button", {8, 70, 80, 25}, Ru("Да"));
    CheckBox check(main, "Check", {8, 100, 120, 20}, "Mute");
    TrackBar bar(main, "Bar", {8, 130, 150, 45});
    ProgressBar progress(main, "Progress", {8, 180, 150, 16});
    Image image(main, "Image", {300, 8, 100, 100});
    FolderTree tree(main, "Tree", {300, 120, 300, 300});
    RichEdit rich(main, "Rich", {620, 8, 300, 200});
    main.Show();
    app.ProcessMessages();

    HWND mainWindow = Hwnd(main);
    r.Check(mainWindow && IsWindowVisible(mainWindow), "the main form is a visible window");
    r.Check(TextOf(mainWindow) == L"Вельвинор", "the main window shows the application's title");
    RECT rect;
    GetWindowRect(mainWindow, &rect);
    Size screen = ui.ScreenSize();
    r.Check(rect.left == 0 && rect.top == 0 && rect.right == screen.width && rect.bottom == screen.height,
            "a maximised borderless form covers the screen");
    r.Check(ui.FrameSize(main) == Size{0, 0}, "a borderless form has no frame");
    r.Check(TextOf(Hwnd(label)) == L"Текст" && TextOf(Hwnd(button)) == L"Да", "Cyrillic captions");

    std::vector<std::string> changes;
    edit.OnChange = [&](Edit& e) { changes.push_back(e.Text()); };
    SendMessageW(Hwnd(edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Привет"));
    r.Check(edit.Text() == Ru("Привет") && changes.size() == 1, "typing reaches the edit's text and OnChange");
    edit.SetText(Ru("Путь"));
    r.Check(TextOf(Hwnd(edit)) == L"Путь" && changes.size() == 2,
            "the program's text shows, with one change event and no echo");
    SendMessageW(Hwnd(edit), EM_SETSEL, 4, 4);  // the caret after the text
    for (wchar_t c : std::wstring(L" C:\\")) SendMessageW(Hwnd(edit), WM_CHAR, c, 1);
    r.Check(edit.Text() == Ru("Путь C:\\") && changes.size() == 6,
            "keys typed one by one land in order, each a change: " + edit.Text());

    int clicks = 0;
    button.OnClick = [&](Control&) { ++clicks; };
    SendMessageW(Hwnd(button), BM_CLICK, 0, 0);
    r.Check(clicks == 1, "a button press runs OnClick");
    button.SetEnabled(false);
    r.Check(!IsWindowEnabled(Hwnd(button)), "a disabled control is a disabled window");

    SendMessageW(Hwnd(check), BM_CLICK, 0, 0);
    r.Check(check.Checked() && SendMessageW(Hwnd(check), BM_GETCHECK, 0, 0) == BST_CHECKED,
            "a click checks the check box");

    int barChanges = 0;
    bar.OnChange = [&](TrackBar&) { ++barChanges; };
    bar.SetMax(100);
    bar.SetPosition(30);
    r.Check(SendMessageW(Hwnd(bar), TBM_GETRANGEMAX, 0, 0) == 100 && SendMessageW(Hwnd(bar), TBM_GETPOS, 0, 0) == 30,
            "the track bar shows its range and position");
    SendMessageW(Hwnd(bar), TBM_SETPOS, TRUE, 60);
    SendMessageW(mainWindow, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(Hwnd(bar)));
    r.Check(bar.Position() == 60 && barChanges == 2, "moving the thumb reaches the position and OnChange");

    progress.SetMax(200);
    progress.SetPosition(50);
    r.Check(SendMessageW(Hwnd(progress), PBM_GETPOS, 0, 0) == 50 &&
                SendMessageW(Hwnd(progress), PBM_GETRANGE, FALSE, 0) == 200,
            "the progress bar shows its range and position");

    label.SetBounds({10, 12, 100, 30});
    RECT lr;
    GetWindowRect(Hwnd(label), &lr);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&lr), 2);
    r.Check(lr.left == 10 && lr.top == 12 && lr.right == 110 && lr.bottom == 42, "a control's place");
    label.Hide();
    r.Check(!IsWindowVisible(Hwnd(label)), "a hidden control");
    label.Show();

    // A Rich Edit ends its paragraphs with "\r" alone, an edit control with "\r\n".
    auto viewText = [&] {
        std::wstring text = TextOf(Hwnd(rich));
        text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
        return text;
    };
    rich.SetContent("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 Hello\\par \\'c4\\'e0}", true);
    r.Check(viewText() == L"Hello\rДа", "the document view shows an RTF document's text: " + win32::Ansi(viewText()));
    rich.SetContent("a\nb", false);
    r.Check(viewText() == L"a\rb", "the document view shows plain text");

    image.SetStretch(true);
    image.SetPicture("BM not a picture");
    UpdateWindow(Hwnd(image));
    image.SetPicture(RedPixelBmp());
    RedrawWindow(Hwnd(image), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(Hwnd(image));
    COLORREF pixel = GetPixel(dc, 50, 50);
    ReleaseDC(Hwnd(image), dc);
    r.Check(pixel == RGB(255, 0, 0), "the picture is drawn stretched, pixel " + std::to_string(pixel));

    // The folder tree starts at the drives and reports the clicked folder's full path.
    HWND treeWindow = Hwnd(tree);
    HTREEITEM drive = TreeView_GetRoot(treeWindow);
    wchar_t text[64] = {};
    HTREEITEM c = nullptr;
    for (; drive; drive = TreeView_GetNextSibling(treeWindow, drive)) {
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = drive;
        item.pszText = text;
        item.cchTextMax = 63;
        TreeView_GetItem(treeWindow, &item);
        if (std::wstring(text) == L"C:") {
            c = drive;
            break;
        }
    }
    r.Check(c != nullptr, "the tree holds drive C:");
    if (c) {
        TreeView_Expand(treeWindow, c, TVE_EXPAND);
        HTREEITEM child = TreeView_GetChild(treeWindow, c);
        std::wstring childName;
        for (; child; child = TreeView_GetNextSibling(treeWindow, child)) {
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = child;
            item.pszText = text;
            item.cchTextMax = 63;
            TreeView_GetItem(treeWindow, &item);
            if (_wcsicmp(text, L"windows") == 0) break;
        }
        r.Check(child != nullptr, "opening C: lists its folders");
        if (child) {
            childName = text;
            TreeView_SelectItem(treeWindow, child);
            SetCursorPos(screen.width - 1, screen.height - 1);  // the click is on no other item
            NMHDR click{treeWindow, static_cast<UINT_PTR>(GetDlgCtrlID(treeWindow)), static_cast<UINT>(NM_CLICK)};
            SendMessageW(mainWindow, WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
            r.Check(tree.SelectedPath() == "C:\\" + win32::Ansi(childName),
                    "a click in the tree reports the selected folder: " + tree.SelectedPath());
        }
    }

    // Right-button presses that the program's filter drops reach no window.
    app.OnMessage = [](Input input, bool& handled) {
        if (input == Input::RightButtonDown) handled = true;
    };
    g_labelProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Hwnd(label), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    PostMessageW(Hwnd(label), WM_RBUTTONDOWN, 0, 0);
    PostMessageW(Hwnd(label), WM_RBUTTONUP, 0, 0);
    app.ProcessMessages();
    r.Check(g_rightDowns == 0 && g_rightUps == 1, "the filter drops the button-down message only");

    // Key preview: a key released in a child reaches its form.
    std::vector<std::uint16_t> keys;
    main.OnKeyUp = [&](std::uint16_t& key, std::uint32_t) { keys.push_back(key); };
    PostMessageW(Hwnd(edit), WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
    app.ProcessMessages();
    r.Check(keys == std::vector<std::uint16_t>{VK_ESCAPE}, "a key released in a child reaches the form");

    // The application-wide cursor, on the form and on its children.
    app.SetCursor(Cursor::HourGlass);
    SendMessageW(Hwnd(edit), WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(edit)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    r.Check(GetCursor() == LoadCursorW(nullptr, IDC_WAIT), "the hourglass over a child control");
    app.SetCursor(Cursor::Default);
    SendMessageW(mainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(mainWindow), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    r.Check(GetCursor() == LoadCursorW(nullptr, IDC_ARROW), "the arrow again");

    // A modal form: timers and posted work go on, the other windows wait, and the
    // modal result ends it.
    Form dialog(app, "Dialog");
    dialog.SetBorder(BorderStyle::Dialog);
    dialog.SetBounds({100, 100, 300, 200});
    Size frame = ui.FrameSize(dialog);
    r.Check(frame.width > 0 && frame.height > frame.width, "a dialog's frame has a caption");
    r.Check(GetWindow(Hwnd(dialog), GW_OWNER) == mainWindow, "the other forms belong to the main window");
    int ticks = 0;
    bool mainEnabledMeanwhile = true;
    Timer timer(app, 20, true);
    timer.OnTimer = [&] {
        if (++ticks == 3)
            ui.Post([&] {
                mainEnabledMeanwhile = IsWindowEnabled(mainWindow);
                dialog.SetModalResult(mb::IdOk);
            });
    };
    DWORD start = GetTickCount();
    int result = dialog.ShowModal();
    r.Check(result == mb::IdOk && ticks >= 3 && GetTickCount() - start < 5000, "the modal result ends the modal form");
    r.Check(!mainEnabledMeanwhile && IsWindowEnabled(mainWindow), "the main window waits while a form is modal");
    r.Check(!IsWindowVisible(Hwnd(dialog)), "the modal form is hidden afterwards");

    timer.OnTimer = [&] { PostMessageW(Hwnd(dialog), WM_CLOSE, 0, 0); };
    r.Check(dialog.ShowModal() == mb::IdCancel && IsWindow(Hwnd(dialog)), "the close box cancels a modal form");

    // A message box is owned by the main window; timers go on in its own loop.
    timer.OnTimer = [&] {
        HWND box = FindWindowW(L"#32770", L"Вопрос");
        if (!box) return;
        r.Check(GetWindow(box, GW_OWNER) == mainWindow, "the message box belongs to the main window");
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    };
    r.Check(app.MessageBox(Ru("Продолжить?"), Ru("Вопрос"), mb::YesNo | mb::IconQuestion) == mb::IdNo,
            "the message box answers the button pressed");
    timer.SetEnabled(false);

    // Minimising the application, and its notices.
    int minimized = 0, restored = 0;
    app.OnMinimize = [&] { ++minimized; };
    app.OnRestore = [&] { ++restored; };
    app.Minimize();
    app.ProcessMessages();
    r.Check(minimized == 1 && IsIconic(mainWindow), "minimising the application notifies once");
    ShowWindow(mainWindow, SW_RESTORE);
    app.ProcessMessages();
    r.Check(restored == 1, "restoring it notifies once");

    // Termination inside a modal form ends that loop and the main one.
    ui.Post([&] { app.Terminate(); });
    r.Check(dialog.ShowModal() == mb::IdCancel, "termination ends a modal form");
    DWORD before = GetTickCount();
    app.Run();
    r.Check(GetTickCount() - before < 5000, "and the main loop ends at the quit message");
}

// The program file's resources: icon, version information, manifest.
void ResourceChecks(const std::wstring& exe, contract::Report& r) {
    r.area = "resources";
    r.Check(ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0) >= 1, "the program file has an icon");
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    std::vector<char> info(size);
    r.Check(size && GetFileVersionInfoW(exe.c_str(), 0, size, info.data()), "the program file has version information");
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT length = 0;
        std::wstring key = std::wstring(L"\\StringFileInfo\\041904E3\\") + name;
        if (!size || !VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            return std::wstring();
        return std::wstring(text);
    };
    r.Check(value(L"FileDescription") == L"Вельвинор" && value(L"ProductName") == L"Вельвинор",
            "the version information names the product in Russian: " + win32::Ansi(value(L"FileDescription")));
    r.Check(value(L"OriginalFilename") == L"Velvinor.exe" && value(L"CompanyName") == L"Trelkon",
            "the version information names the file and the maker");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC manifest = module ? FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
    std::string text;
    if (manifest)
        if (HGLOBAL data = LoadResource(module, manifest))
            text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, manifest));
    r.Check(text.find("Microsoft.Windows.Common-Controls") != std::string::npos &&
                text.find("version=\"6.0.0.0\"") != std::string::npos,
            "the manifest asks for common controls 6");
    if (module) FreeLibrary(module);
}

// The start's warm-up thread runs below the window thread: on one processor its
// loading must not delay the frequency probe's wake from its timed wait.
void WarmupChecks(contract::Report& r) {
    r.area = "warm-up";
    win32::LibraryWarmup warmup;
    warmup.Start();
    r.Check(warmup.Thread() && GetThreadPriority(warmup.Thread()) == THREAD_PRIORITY_BELOW_NORMAL,
            "the warm-up thread runs below normal priority");
}

}  // namespace
}  // namespace vel

int wmain(int argc, wchar_t** argv) {
    OleInitialize(nullptr);
    bool withDde = false;
    std::wstring exe;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--dde") withDde = true;
        else if (std::wstring(argv[i]) == L"--exe" && i + 1 < argc) exe = argv[++i];
    }
    vel::contract::Report report;
    {
        auto ui = vel::win32::CreateWinUi();
        auto registry = vel::win32::CreateWinRegistry();
        auto files = vel::win32::CreateWinFileSystem();
        auto shell = vel::win32::CreateWinShell();
        auto process = vel::win32::CreateWinProcess();
        auto dde = vel::win32::CreateWinDde();
        vel::contract::RegistryContract(*registry, "\\Software\\VelvinorContract", report);
        vel::contract::FilesContract(*files, *shell, "C:\\VelvinorContract", report);
        vel::contract::ProcessContract(*process, "VelvinorContract", report);
        if (withDde) vel::contract::DdeContract(*dde, report);
        vel::UiChecks(*ui, report);
        if (!exe.empty()) vel::ResourceChecks(exe, report);
        vel::WarmupChecks(report);
    }
    OleUninitialize();
    for (const auto& f : report.failures) std::printf("FAIL %s\n", vel::AnsiToUtf8(f).c_str());
    std::printf("%d checks, %zu failed\n", report.checks, report.failures.size());
    return report.failures.empty() ? 0 : 1;
}
