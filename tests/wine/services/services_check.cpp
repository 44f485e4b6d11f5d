// Contract checks of the real media, mixer, printer and rich-text services, run under
// Wine: what the portable code relies on, observed on the real platform.
//
//   services_check.exe MEDIA_FOLDER [--printer=none|--printer=pdf]
//
// MEDIA_FOLDER holds clip.avi (320x240, 2 s), clip.mpg (352x288, 2 s) and a copy of
// clip.avi named "ролик.avi". Prints one line per check; the exit code is the number
// of failed checks.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/MciMediaControl.h"
#include "platform/win32/RichTextView.h"
#include "platform/win32/WinMixer.h"
#include "platform/win32/WinPrinter.h"
#include "runtime/Text.h"

namespace {

using namespace vel;

int g_failures = 0;

void Check(bool ok, const std::string& what, const std::string& detail = {}) {
    if (!ok) ++g_failures;
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
}

std::string Utf8(const std::string& ansi) { return AnsiToUtf8(ansi); }

std::string Utf8(const std::wstring& wide) { return WideToUtf8(std::u16string(wide.begin(), wide.end())); }

// Runs the message loop until `done` or the deadline; true when done.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

HWND MakeWindow(const wchar_t* title, int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"VelvinorServicesCheck";
        RegisterClassExW(&wc);
        registered = true;
    }
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = CreateWindowExW(0, L"VelvinorServicesCheck", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(w);
    return w;
}

// Pixels of the client area that are not black: the video device drew into the window.
int LitSamples(HWND window, int width, int height);

// Polls, during a play, until most samples are lit or the play ends; the best count seen.
int WaitForPicture(HWND window, const std::vector<std::uint32_t>& notices) {
    int best = 0;
    PumpUntil([&] {
        best = std::max(best, LitSamples(window, 320, 240));
        return best >= 12 || !notices.empty();
    }, 1500);
    return best;
}

int LitSamples(HWND window, int width, int height) {
    // Read from the screen, not the window's DC: a device that draws through a child
    // window of its own may have it on a surface of its own, which the parent's DC
    // does not show.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    HDC dc = GetDC(nullptr);
    int lit = 0;
    for (int y = height / 8; y < height; y += height / 4)
        for (int x = width / 8; x < width; x += width / 4) {
            COLORREF c = GetPixel(dc, origin.x + x, origin.y + y);
            if (c != CLR_INVALID && (GetRValue(c) > 40 || GetGValue(c) > 40 || GetBValue(c) > 40)) ++lit;
        }
    ReleaseDC(nullptr, dc);
    return lit;
}

// Position, length and mode as MCI reports them, for the record.
std::string Where(MciDevice device) {
    DWORD_PTR items[3] = {MCI_STATUS_POSITION, MCI_STATUS_LENGTH, MCI_STATUS_MODE};
    std::string s;
    for (DWORD_PTR item : items) {
        MCI_STATUS_PARMS p{};
        p.dwItem = item;
        MCIERROR e = mciSendCommandW(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
        s += (s.empty() ? "" : "/") + (e ? "e" + std::to_string(e) : std::to_string(p.dwReturn));
    }
    return "position/length/mode " + s;
}

// Child windows of the display window (a device may draw through one of its own).
BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int Children(HWND window) {
    int n = 0;
    EnumChildWindows(window, &CountChild, reinterpret_cast<LPARAM>(&n));
    return n;
}

struct Notices {
    std::vector<std::uint32_t> values;
    std::function<void(std::uint32_t)> Callback() {
        return [this](std::uint32_t v) { values.push_back(v); };
    }
    std::string Text() const {
        std::string s;
        for (auto v : values) s += (s.empty() ? "" : ",") + std::to_string(v);
        return "[" + s + "]";
    }
};

void CheckMedia(const std::string& folder, HWND video) {
    auto media = win32::CreateMciMediaControl();
    const std::string avi = folder + "\\clip.avi";

    MciDevice device = 0;
    MciError error = media->Open(avi, device);
    Check(error == 0, "avi opens", "error " + std::to_string(error) + (error ? " " + Utf8(media->ErrorText(error)) : ""));
    if (error) return;
    Check(media->HasVideo(device), "avi has video");
    Size size = media->NaturalSize(device);
    Check(size == Size{320, 240}, "avi natural size 320x240",
          std::to_string(size.width) + "x" + std::to_string(size.height));
    Check(media->SetWindow(device, reinterpret_cast<WindowHandle>(video)) == 0, "avi display window");
    Check(media->PutDestination(device, Rect{0, 0, 320, 240}) == 0, "avi destination rectangle");
    Check(!media->AtEnd(device), "avi not at end after open");

    Notices first;
    DWORD start = GetTickCount();
    error = media->Play(device, first.Callback());
    Check(error == 0 && first.values.empty(), "avi play returns at once, notice not yet delivered",
          "error " + std::to_string(error));
    int lit = WaitForPicture(video, first.values);
    Check(lit >= 8, "avi frames drawn into the display window", std::to_string(lit) + " of 16 samples lit");
    bool ended = PumpUntil([&] { return !first.values.empty(); }, 15000);
    DWORD took = GetTickCount() - start;
    Check(ended && first.values == std::vector<std::uint32_t>{1}, "avi end notice SUCCESSFUL through the loop",
          first.Text() + " after " + std::to_string(took) + " ms");
    Check(media->AtEnd(device), "avi at end after the play", Where(device));
    error = media->SeekToStart(device);
    Check(error == 0 && !media->AtEnd(device), "avi seek to start", "error " + std::to_string(error) + " " + Where(device));

    Notices stopped;
    media->Play(device, stopped.Callback());
    Pump(500);
    const std::string before = stopped.Text() + " " + Where(device);
    error = media->Stop(device);
    Check(error == 0 && stopped.values.empty(), "avi stop waits, notice not delivered inside it",
          "error " + std::to_string(error) + ", before the stop " + before + ", after it " + stopped.Text() + " " +
              Where(device));
    PumpUntil([&] { return !stopped.values.empty(); }, 5000);
    Pump(300);  // nothing more may come
    Check(stopped.values == std::vector<std::uint32_t>{4}, "avi stop gives ABORTED once", stopped.Text());

    Notices a, b;
    media->SeekToStart(device);
    media->Play(device, a.Callback());
    Pump(200);
    media->Play(device, b.Callback());
    PumpUntil([&] { return !a.values.empty(); }, 5000);
    Check(a.values == std::vector<std::uint32_t>{2} && b.values.empty(), "second play supersedes the first",
          "first " + a.Text() + " second " + b.Text());
    Check(media->Close(device) == 0, "avi close while playing");
    PumpUntil([&] { return !b.values.empty(); }, 5000);
    Pump(300);
    Check(b.values == std::vector<std::uint32_t>{4} && a.values.size() == 1, "close gives the running play ABORTED once",
          "first " + a.Text() + " second " + b.Text());
    Check(media->Close(device) != 0, "a closed device is gone");

    // A notice owed by a closed device never reaches a play of the next one, even
    // when MCI hands out the same device id again.
    Notices old, next;
    MciDevice again = 0;
    if (media->Open(avi, again) == 0) {
        media->Play(again, old.Callback());
        media->Close(again);
        MciDevice reused = 0;
        media->Open(avi, reused);
        media->Play(reused, next.Callback());
        PumpUntil([&] { return !next.values.empty(); }, 15000);
        Check(old.values == std::vector<std::uint32_t>{4} && next.values == std::vector<std::uint32_t>{1},
              "reopened device keeps its own notices",
              "ids " + std::to_string(again) + "/" + std::to_string(reused) + " closed " + old.Text() + " next " +
                  next.Text());
        media->Close(reused);
    }

    error = media->Open(folder + "\\missing.avi", device);
    std::string text = error ? media->ErrorText(error) : "";
    Check(error != 0 && !text.empty() && text.rfind("MCI error", 0) != 0, "missing file fails with MCI's text",
          "error " + std::to_string(error) + " \"" + Utf8(text) + "\"");

    error = media->Open(folder + "\\" + Ru("ролик.avi"), device);
    Check(error == 0 && media->NaturalSize(device) == Size{320, 240}, "Cyrillic file name (code page 1251) opens",
          "error " + std::to_string(error));
    if (!error) media->Close(device);

    error = media->Open(folder + "\\clip.mpg", device);
    Check(error == 0, "mpeg-1 opens", "error " + std::to_string(error) + (error ? " " + Utf8(media->ErrorText(error)) : ""));
    if (error) return;
    size = media->NaturalSize(device);
    Check(media->HasVideo(device) && size == Size{352, 288}, "mpeg-1 has video, natural size 352x288",
          std::to_string(size.width) + "x" + std::to_string(size.height));
    media->SetWindow(device, reinterpret_cast<WindowHandle>(video));
    media->PutDestination(device, Rect{0, 0, 320, 240});
    Notices mpg;
    start = GetTickCount();
    error = media->Play(device, mpg.Callback());
    lit = WaitForPicture(video, mpg.values);
    Check(lit >= 8, "mpeg-1 frames drawn into the display window",
          std::to_string(lit) + " of 16 samples lit, " + std::to_string(Children(video)) + " child windows");
    ended = PumpUntil([&] { return !mpg.values.empty(); }, 20000);
    took = GetTickCount() - start;
    Check(error == 0 && ended && mpg.values == std::vector<std::uint32_t>{1}, "mpeg-1 plays to its end",
          "error " + std::to_string(error) + " " + mpg.Text() + " after " + std::to_string(took) + " ms");

    // The clip's way out by Esc: stop a running play, then close.
    // Wine's MPEG device rewinds by itself at the end: no seek needed then.
    if (media->AtEnd(device)) media->SeekToStart(device);
    error = media->PutDestination(device, Rect{0, 0, 0, 0});
    Check(error == 0, "mpeg-1 destination back to the natural size", "error " + std::to_string(error));
    Notices esc;
    media->Play(device, esc.Callback());
    lit = WaitForPicture(video, esc.values);
    Pump(200);
    Check(lit >= 8, "mpeg-1 replay drawn at the natural size", std::to_string(lit) + " of 16 samples lit");
    error = media->Stop(device);
    PumpUntil([&] { return !esc.values.empty(); }, 5000);
    Pump(300);
    Check(error == 0 && esc.values == std::vector<std::uint32_t>{4}, "mpeg-1 stop gives ABORTED once",
          "error " + std::to_string(error) + " " + esc.Text());
    Check(media->Close(device) == 0, "mpeg-1 closes");
    Pump(200);
    Check(Children(video) == 0, "mpeg-1 video window gone with the device", std::to_string(Children(video)) + " child windows");
}

void CheckMixer(HWND window) {
    auto mixer = win32::CreateWinMixer();
    const std::uint32_t count = mixer->NumDevs();
    std::uint32_t destinations = 99;
    MmResult caps = mixer->GetDevCaps(0, destinations);
    MixerHandle handle = 0;
    MmResult open = mixer->Open(0, reinterpret_cast<WindowHandle>(window), [] {}, handle);
    MixerLine line;
    std::vector<MixerControl> controls;
    MmResult dst = mixer->GetDestination(0, 0, line);
    MmResult list = dst == 0 ? mixer->GetLineControls(0, line.lineId, 10, controls) : mixer->GetLineControls(0, 0, 10, controls);
    std::int32_t value = 7;
    MmResult get = mixer->GetValue(0, 1, value);
    const std::string results = "devices " + std::to_string(count) + ", caps " + std::to_string(caps) + " open " +
                                std::to_string(open) + " line " + std::to_string(dst) + " controls " +
                                std::to_string(list) + " get " + std::to_string(get);
    if (count == 0) {
        // Wine here has no sound device: the sound window's set-up finds nothing and goes on.
        MmResult set = mixer->SetValue(0, 1, 5);
        Check(caps != 0 && open != 0 && dst != 0 && list != 0 && get != 0 && set != 0 && value == 7 &&
                  destinations == 99,
              "mixer without a device: every call fails cleanly", results + " set " + std::to_string(set));
    } else {
        Check(caps == 0 && open == 0 && destinations > 0 && dst == 0 && (list == 0 || line.controls > 10),
              "mixer device 0: capabilities, open, first destination and its controls", results);
    }
    if (open == 0) Check(mixer->Close(handle) == 0, "mixer closes");
}

void CheckPrinter(bool expectPdf, HWND window) {
    auto printer = win32::CreateWinPrinter();
    PrinterStatus selected = printer->SelectDefault();
    if (!expectPdf) {
        Check(selected == PrinterStatus::NoDefaultPrinter, "no printer: SelectDefault reports NoDefaultPrinter");
        Check(printer->SetLandscape() == PrinterStatus::NoDefaultPrinter &&
                  printer->PrintWindowPicture(reinterpret_cast<WindowHandle>(window), Rect{0, 0, 320, 240}, "x") ==
                      PrinterStatus::NoDefaultPrinter,
              "no printer: landscape and print report NoDefaultPrinter");
        return;
    }
    Check(selected == PrinterStatus::Ok, "pdf printer selected as the default");
    Check(printer->SetLandscape() == PrinterStatus::Ok && printer->SetLandscape() == PrinterStatus::Ok,
          "landscape in the program's own settings");
    // Something to see on the page: coloured quarters.
    HDC dc = GetDC(window);
    const COLORREF colours[4] = {RGB(220, 30, 30), RGB(30, 180, 30), RGB(30, 30, 220), RGB(240, 220, 20)};
    for (int i = 0; i < 4; ++i) {
        RECT r{(i % 2) * 160, (i / 2) * 120, (i % 2) * 160 + 160, (i / 2) * 120 + 120};
        HBRUSH brush = CreateSolidBrush(colours[i]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    ReleaseDC(window, dc);
    PrinterStatus printed =
        printer->PrintWindowPicture(reinterpret_cast<WindowHandle>(window), Rect{0, 0, 320, 240}, Ru("Вельвинор"));
    Check(printed == PrinterStatus::Ok, "one page with the window's picture spooled");
}

std::wstring ViewText(HWND view) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT n = SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    LRESULT got = SendMessageW(view, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return text;
}

void CheckRichText() {
    HWND parent = MakeWindow(L"viewer", 400, 300);
    HWND view = win32::richtext::Create(parent, 101);
    Check(view != nullptr, "rich edit created");
    if (!view) return;
    wchar_t cls[64] = {};
    GetClassNameW(view, cls, 64);
    Check(GetDlgItem(parent, 101) == view, "rich edit is the parent's child 101", "class " + Utf8(std::wstring(cls)));
    MoveWindow(view, 0, 0, 400, 300, TRUE);
    Check((GetWindowLongW(view, GWL_STYLE) & ES_READONLY) != 0, "read-only from creation");

    const COLORREF paleYellow = 12318969;  // red 249, green 248, blue 187
    win32::richtext::SetBackColor(view, paleYellow);
    COLORREF previous = static_cast<COLORREF>(SendMessageW(view, EM_SETBKGNDCOLOR, 0, paleYellow));
    Check(previous == paleYellow, "background colour set", std::to_string(previous));

    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
                            "\\f0\\fs24 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\b \\'ec\\'e8\\'f0\\b0 ! \\'a8\\'b8\\par}";
    bool loaded = win32::richtext::SetContent(view, rtf, true);
    std::wstring text = ViewText(view);
    Check(loaded && text == L"\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440! \u0401\u0451",
          "Cyrillic RTF shown (EM_GETTEXTEX)", "\"" + Utf8(text) + "\"");
    wchar_t viaMessage[64] = {};
    SendMessageW(view, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(viaMessage));
    Check(std::wstring(viaMessage).rfind(L"\u041f\u0440\u0438\u0432\u0435\u0442", 0) == 0,
          "Cyrillic RTF shown (WM_GETTEXT)", "\"" + Utf8(std::wstring(viaMessage)) + "\"");

    loaded = win32::richtext::SetContent(view, Ru("Родителям: текст\r\nвторая строка"), false);
    text = ViewText(view);
    Check(loaded && text == L"\u0420\u043e\u0434\u0438\u0442\u0435\u043b\u044f\u043c: \u0442\u0435\u043a\u0441\u0442\r"
                            L"\u0432\u0442\u043e\u0440\u0430\u044f \u0441\u0442\u0440\u043e\u043a\u0430",
          "plain text in code page 1251 replaces the content", "\"" + Utf8(text) + "\"");

    std::string longText(40000, 'a');
    loaded = win32::richtext::SetContent(view, longText, false);
    Check(loaded && ViewText(view).size() == 40000, "a text past 32,767 characters is loaded whole",
          std::to_string(ViewText(view).size()) + " characters");

    win32::richtext::SetReadOnly(view, false);
    bool writable = (GetWindowLongW(view, GWL_STYLE) & ES_READONLY) == 0;
    win32::richtext::SetReadOnly(view, true);
    Check(writable && (GetWindowLongW(view, GWL_STYLE) & ES_READONLY) != 0, "read-only switched off and on");
    DestroyWindow(parent);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: services_check MEDIA_FOLDER [--printer=none|--printer=pdf]\n");
        return 100;
    }
    const std::wstring folderWide = argv[1];
    const std::string folder = WideToAnsi(std::u16string(folderWide.begin(), folderWide.end()));
    bool expectPdf = argc > 2 && std::wstring(argv[2]) == L"--printer=pdf";

    HWND video = MakeWindow(L"video", 320, 240);
    CheckMedia(folder, video);
    CheckMixer(video);
    CheckPrinter(expectPdf, video);
    CheckRichText();
    DestroyWindow(video);
    std::printf("%d failed\n", g_failures);
    return g_failures;
}
