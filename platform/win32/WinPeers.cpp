// The peers: one native window per control, showing the control's state and
// reporting the user's input through the control's User* methods.

#include "platform/win32/WinUi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "platform/win32/RichTextView.h"
#include "platform/win32/WinText.h"
#include "runtime/Errors.h"
#include "runtime/RtfText.h"

namespace vel::win32 {

const wchar_t* const kFormClass = L"VelvinorForm";
const wchar_t* const kImageClass = L"VelvinorImage";

namespace {

// A program colour: 0x00BBGGRR, or a system colour with the top bit and its index.
COLORREF ColorOf(std::uint32_t color) {
    return (color & 0x80000000u) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color & 0xFFFFFF);
}

std::wstring WindowText(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

// Edit controls break lines only at "\r\n".
std::string WithCrLf(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// ---- forms ----

class FormPeer final : public WinPeer {
public:
    FormPeer(WinUi& ui, Form& form) : WinPeer(ui, form), m_form(form) {}

    // The main window, with its children, at once; any other form's window when it
    // is first shown or its handle is asked for, its children when it is first shown.
    bool MadeAtOnce() const override { return m_ui.MainWindow() == nullptr; }
    bool ChildrenMade() const override { return m_childrenMade; }

    void MakeWindow() override {
        DWORD style = 0, exStyle = 0;
        FormStyles(m_form, style, exStyle);
        Rect b = m_form.Bounds();
        // The main window stands alone on the taskbar; the other forms belong to it,
        // so they stay above it and go with it when it is minimised.
        HWND owner = m_ui.MainWindow();
        m_hwnd = CreateWindowExW(exStyle, kFormClass, Caption().c_str(), style, b.left, b.top, b.width, b.height,
                                 owner, nullptr, m_ui.Instance(), this);
        if (!m_hwnd) throw Error("Cannot create the window " + m_form.Path());
        m_ui.Register(m_hwnd, this);
        bool main = m_ui.MainWindow() == nullptr;
        m_ui.FormCreated(this);
        MakeBrush();
        if (!m_form.Enabled()) EnableWindow(m_hwnd, FALSE);
        if (main) m_childrenMade = true;
        if (m_form.Visible()) Apply(Property::Visible);
    }

    ~FormPeer() override {
        m_ui.FormDestroyed(this);
        if (m_hwnd) {
            // No message of the dying window may reach this half-destroyed peer.
            SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
            m_ui.Unregister(m_hwnd);
            DestroyWindow(m_hwnd);
            m_hwnd = nullptr;
        }
    }

    bool NeedsWindowFor(Property changed) const override {
        return (changed == Property::Visible && m_form.Visible()) || changed == Property::Focus;
    }

    void Apply(Property changed) override {
        switch (changed) {
            case Property::Visible:
                if (m_form.Visible()) MakeChildren();
                ShowWindow(m_hwnd, !m_form.Visible() ? SW_HIDE : m_form.Maximized() ? SW_SHOWMAXIMIZED : SW_SHOW);
                break;
            case Property::Bounds: {
                // A maximised window keeps to the screen; the bounds become its normal place.
                if (m_form.Maximized() && IsZoomed(m_hwnd)) break;
                Rect b = m_form.Bounds();
                m_placing = true;
                SetWindowPos(m_hwnd, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
                m_placing = false;
                break;
            }
            case Property::Text: SetWindowTextW(m_hwnd, Caption().c_str()); break;
            case Property::Enabled: EnableWindow(m_hwnd, m_form.Enabled()); break;
            case Property::Style: ApplyStyle(); break;
            case Property::Focus:  // brought to the front
                SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
                SetForegroundWindow(m_hwnd);
                break;
            default: break;
        }
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<FormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
        return self->Handle(hwnd, message, wParam, lParam);
    }

private:
    std::wstring Caption() const {
        // The main window shows the application's title on the taskbar when its form
        // has no caption of its own.
        const std::string& text = m_form.Text();
        bool main = m_hwnd ? m_ui.IsMainWindow(m_hwnd) : m_ui.MainWindow() == nullptr;
        return Wide(text.empty() && main ? m_ui.Title() : text);
    }

    void MakeBrush() {
        m_color = ColorOf(m_form.Color());
        m_brush.Reset(CreateSolidBrush(m_color));
    }

    void ApplyStyle() {
        DWORD style = 0, exStyle = 0;
        FormStyles(m_form, style, exStyle);
        const DWORD oldStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
        const DWORD oldExStyle = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
        DWORD kept = oldStyle & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
        bool wasTopMost = (oldExStyle & WS_EX_TOPMOST) != 0;
        bool topMost = m_form.TopMost();
        // A change of colour alone leaves the frame as it is: no frame change to lay out.
        if ((style | kept) != oldStyle || (exStyle & ~WS_EX_TOPMOST) != (oldExStyle & ~WS_EX_TOPMOST) ||
            topMost != wasTopMost) {
            SetWindowLongPtrW(m_hwnd, GWL_STYLE, static_cast<LONG_PTR>(style | kept));
            SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle & ~WS_EX_TOPMOST));
            // Topmost changes only through SetWindowPos; other z-order stays as it is.
            UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED;
            if (topMost == wasTopMost) flags |= SWP_NOZORDER;
            SetWindowPos(m_hwnd, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        }
        MakeBrush();
        InvalidateRect(m_hwnd, nullptr, TRUE);
        if (m_form.Visible() && m_form.Maximized() && !IsZoomed(m_hwnd) && !IsIconic(m_hwnd))
            ShowWindow(m_hwnd, SW_SHOWMAXIMIZED);
    }

    LRESULT Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_ERASEBKGND: {
                RECT r;
                GetClientRect(hwnd, &r);
                FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(m_brush.Get()));
                return 1;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT: {
                HDC dc = reinterpret_cast<HDC>(wParam);
                if (WinPeer* child = m_ui.PeerOf(reinterpret_cast<HWND>(lParam)))
                    if (HBRUSH brush = child->Background(dc)) return reinterpret_cast<LRESULT>(brush);
                if (message == WM_CTLCOLOREDIT) break;
                SetBkColor(dc, m_color);
                return reinterpret_cast<LRESULT>(m_brush.Get());
            }
            case WM_COMMAND:
                if (lParam)
                    if (WinPeer* child = m_ui.PeerOf(reinterpret_cast<HWND>(lParam))) child->OnCommand(HIWORD(wParam));
                return 0;
            case WM_NOTIFY: {
                auto* header = reinterpret_cast<NMHDR*>(lParam);
                if (WinPeer* child = m_ui.PeerOf(header->hwndFrom)) return child->OnNotify(*header);
                return 0;
            }
            case WM_HSCROLL:
            case WM_VSCROLL:
                if (lParam)
                    if (WinPeer* child = m_ui.PeerOf(reinterpret_cast<HWND>(lParam))) child->OnScroll();
                return 0;
            case WM_CLOSE:
                // The close box is the user's request; the form decides (a modal form
                // ends with Cancel). The window is never destroyed here.
                WinUi::Report([&] { m_form.UserClose(); });
                return 0;
            case WM_SETCURSOR:
                if (m_ui.CurrentCursor() == Cursor::HourGlass && LOWORD(lParam) == HTCLIENT) {
                    ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                    return TRUE;
                }
                // Over a child, its own cursor: the default one is no choice of the form's.
                if (reinterpret_cast<HWND>(wParam) != hwnd) return FALSE;
                break;
            case WM_SIZE:
                if (m_ui.IsMainWindow(hwnd)) m_ui.MainWindowSized(wParam);
                break;
            case WM_WINDOWPOSCHANGED:
                // A window with a frame is the user's to move and size: the program's
                // state follows (a minimised or maximised one keeps its normal place).
                if (!m_placing && m_form.Border() != BorderStyle::None && IsWindowVisible(hwnd) && !IsIconic(hwnd) &&
                    !IsZoomed(hwnd)) {
                    RECT r;
                    GetWindowRect(hwnd, &r);
                    WinUi::Report([&] { m_form.UserPlace({r.left, r.top, r.right - r.left, r.bottom - r.top}); });
                }
                break;
            case WM_GETMINMAXINFO:
                if (m_form.Maximized()) {
                    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                    info->ptMaxPosition = {0, 0};
                    info->ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
                    return 0;
                }
                break;
            case WM_NCDESTROY:
                // Destroyed with its owner: forget the window, keep the peer.
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                m_ui.Unregister(hwnd);
                m_hwnd = nullptr;
                break;
            default: break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // The children's windows, in the order the program made the controls, before the
    // form first shows.
    void MakeChildren() {
        if (m_childrenMade) return;
        m_childrenMade = true;
        for (Control* child : m_form.Children())
            if (WinPeer* peer = m_ui.PeerOf(*child)) peer->Window();
    }

    Form& m_form;
    COLORREF m_color = 0;
    ScopedGdi m_brush;
    bool m_placing = false;  // the program places the window: nothing to report
    bool m_childrenMade = false;
};

// ---- children ----

class LabelPeer final : public WinPeer {
public:
    LabelPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override { CreateChild(L"STATIC", SS_LEFT | SS_NOPREFIX, 0); }
    void Apply(Property changed) override { UpdateCommon(changed); }
};

class ButtonPeer final : public WinPeer {
public:
    ButtonPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override { CreateChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0); }
    void Apply(Property changed) override { UpdateCommon(changed); }
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED) WinUi::Report([&] { m_control.UserClick(); });
    }
};

class EditPeer final : public WinPeer {
public:
    EditPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        CreateChild(L"EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, WS_EX_CLIENTEDGE);
    }
    void Apply(Property changed) override {
        if (changed != Property::Text) return UpdateCommon(changed);
        // The user's own typing comes back as the control's text: setting it again
        // would move the caret to the start at every key.
        if (Ansi(WindowText(m_hwnd)) == m_control.Text()) return;
        m_setting = true;  // the program's own text is no user input
        UpdateCommon(changed);
        m_setting = false;
    }
    void OnCommand(WORD code) override {
        if (code != EN_CHANGE || m_setting) return;
        std::string text = Ansi(WindowText(m_hwnd));
        if (text != m_control.Text()) WinUi::Report([&] { static_cast<Edit&>(m_control).UserType(text); });
    }

private:
    bool m_setting = false;
};

class CheckBoxPeer final : public WinPeer {
public:
    CheckBoxPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        // Not an automatic check box: the program owns the state.
        CreateChild(L"BUTTON", BS_CHECKBOX | WS_TABSTOP, 0);
        Apply(Property::Checked);
    }
    void Apply(Property changed) override {
        if (changed == Property::Checked)
            SendMessageW(m_hwnd, BM_SETCHECK, static_cast<CheckBox&>(m_control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        else
            UpdateCommon(changed);
    }
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED) WinUi::Report([&] { m_control.UserClick(); });
    }
};

class TrackBarPeer final : public WinPeer {
public:
    TrackBarPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        CreateChild(TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, 0);
        Apply(Property::Range);
        Apply(Property::Position);
    }
    void Apply(Property changed) override {
        auto& bar = static_cast<TrackBar&>(m_control);
        if (changed == Property::Range) {
            SendMessageW(m_hwnd, TBM_SETRANGEMIN, FALSE, bar.Min());
            SendMessageW(m_hwnd, TBM_SETRANGEMAX, TRUE, bar.Max());
            SendMessageW(m_hwnd, TBM_SETTICFREQ, static_cast<WPARAM>(bar.Frequency()), 0);
        } else if (changed == Property::Position) {
            SendMessageW(m_hwnd, TBM_SETPOS, TRUE, bar.Position());  // sends no scroll notice
        } else {
            UpdateCommon(changed);
        }
    }
    void OnScroll() override {
        auto& bar = static_cast<TrackBar&>(m_control);
        int position = static_cast<int>(SendMessageW(m_hwnd, TBM_GETPOS, 0, 0));
        if (position != bar.Position()) WinUi::Report([&] { bar.UserSetPosition(position); });
    }
};

class ProgressBarPeer final : public WinPeer {
public:
    ProgressBarPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        CreateChild(PROGRESS_CLASSW, 0, 0);
        Apply(Property::Range);
        Apply(Property::Position);
    }
    void Apply(Property changed) override {
        auto& bar = static_cast<ProgressBar&>(m_control);
        if (changed == Property::Range) SendMessageW(m_hwnd, PBM_SETRANGE32, bar.Min(), bar.Max());
        else if (changed == Property::Position) SendMessageW(m_hwnd, PBM_SETPOS, bar.Position(), 0);
        else UpdateCommon(changed);
    }
};

// A picture from the bytes of a BMP file, checked before the system sees them.
class DibPicture {
public:
    void Load(const std::string& bytes) {
        m_ok = false;
        m_bytes = bytes;
        auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(Byte(at) | Byte(at + 1) << 8); };
        auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        if (m_bytes.size() < 54 || m_bytes[0] != 'B' || m_bytes[1] != 'M') return;
        std::uint32_t offBits = u32(10), headerSize = u32(14);
        if (headerSize < 40 || headerSize > 124) return;  // Windows 3 headers and later only
        auto width = static_cast<std::int32_t>(u32(18)), height = static_cast<std::int32_t>(u32(22));
        std::uint32_t bitCount = u16(28), compression = u32(30), sizeImage = u32(34), colorsUsed = u32(46);
        if (width <= 0 || height == 0 || width > 32767 || height > 32767 || height < -32767) return;
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
            return;
        std::uint64_t colors = colorsUsed ? colorsUsed : (bitCount <= 8 ? 1u << bitCount : 0);
        std::uint64_t masks = (compression == BI_BITFIELDS && headerSize == 40) ? 12 : 0;
        std::uint64_t infoEnd = 14 + static_cast<std::uint64_t>(headerSize) + masks + colors * 4;
        if (colors > 256 || infoEnd > offBits || offBits > m_bytes.size()) return;
        std::uint64_t available = m_bytes.size() - offBits;
        std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
        if (compression == BI_RGB || compression == BI_BITFIELDS) {
            std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
            if (stride * rows > available) return;
        } else if (compression == BI_RLE8 || compression == BI_RLE4) {
            if (sizeImage == 0 || sizeImage > available) return;
        } else {
            return;
        }
        m_width = width;
        m_height = static_cast<int>(rows);
        m_offBits = offBits;
        m_ok = true;
    }
    void Paint(HDC dc, int left, int top, int width, int height) const {
        if (!m_ok) return;
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, left, top, width, height, 0, 0, m_width, m_height, m_bytes.data() + m_offBits,
                      reinterpret_cast<const BITMAPINFO*>(m_bytes.data() + 14), DIB_RGB_COLORS, SRCCOPY);
    }
    bool Ok() const { return m_ok; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    std::uint32_t Byte(std::size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
    std::string m_bytes;
    bool m_ok = false;
    int m_width = 0, m_height = 0;
    std::uint32_t m_offBits = 0;
};

class ImagePeer final : public WinPeer {
public:
    ImagePeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        CreateChild(kImageClass, 0, 0);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        Apply(Property::Picture);
    }
    ~ImagePeer() override {
        if (m_hwnd && IsWindow(m_hwnd)) SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    }
    void Apply(Property changed) override {
        if (changed == Property::Picture) {
            m_picture.Load(static_cast<Image&>(m_control).Picture());
            InvalidateRect(m_hwnd, nullptr, TRUE);
        } else {
            UpdateCommon(changed);
            if (changed == Property::Bounds) InvalidateRect(m_hwnd, nullptr, TRUE);
        }
    }
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ImagePeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_ERASEBKGND) return 1;  // WM_PAINT covers every pixel
        if (self && message == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->Paint(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

private:
    void Paint(HWND hwnd, HDC dc) {
        RECT r;
        GetClientRect(hwnd, &r);
        // Around a picture that is not stretched, the form's colour shows.
        Control* form = m_control.Parent();
        ScopedGdi back(CreateSolidBrush(ColorOf(form ? static_cast<Form*>(form)->Color() : 0xF0F0F0)));
        FillRect(dc, &r, static_cast<HBRUSH>(back.Get()));
        if (!m_picture.Ok()) return;
        if (static_cast<Image&>(m_control).Stretch()) m_picture.Paint(dc, 0, 0, r.right, r.bottom);
        else m_picture.Paint(dc, 0, 0, m_picture.Width(), m_picture.Height());
    }
    DibPicture m_picture;
};

// The computer's folders, read when a folder is first opened, from the drives down.
class FolderTreePeer final : public WinPeer {
public:
    FolderTreePeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        CreateChild(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE);
        wchar_t drives[512];
        DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(drives)), drives);
        if (length == 0 || length >= std::size(drives)) return;
        for (const wchar_t* d = drives; *d; d += wcslen(d) + 1) {
            std::wstring root = d;  // "C:\"
            Add(TVI_ROOT, root.substr(0, 2), root);
        }
    }
    void Apply(Property changed) override {
        if (changed != Property::Content) UpdateCommon(changed);  // the selection is the user's
    }
    LRESULT OnNotify(NMHDR& header) override {
        switch (header.code) {
            case TVN_ITEMEXPANDINGW: {
                auto& change = reinterpret_cast<NMTREEVIEWW&>(header);
                if (change.action & TVE_EXPAND) Fill(change.itemNew.hItem);
                return FALSE;
            }
            case NM_CLICK: {
                // The click selects the item under it only after this notice: take
                // that item now, so the program reads the folder that was clicked.
                HTREEITEM clicked = ItemUnderPointer(TVHT_ONITEM);
                if (clicked) TreeView_SelectItem(m_hwnd, clicked);
                HTREEITEM selected = TreeView_GetSelection(m_hwnd);
                auto it = m_paths.find(selected);
                std::string path = it == m_paths.end() ? std::string() : Ansi(it->second);
                WinUi::Report([&] { static_cast<FolderTree&>(m_control).UserSelect(path); });
                return 0;
            }
            case NM_RCLICK:
                if (HTREEITEM item = ItemUnderPointer(TVHT_ONITEM)) TreeView_SelectItem(m_hwnd, item);
                return TRUE;
            default: return 0;
        }
    }

private:
    HTREEITEM ItemUnderPointer(UINT where) {
        DWORD pos = GetMessagePos();
        TVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        ScreenToClient(m_hwnd, &hit.pt);
        HTREEITEM item = TreeView_HitTest(m_hwnd, &hit);
        return (hit.flags & where) ? item : nullptr;
    }

    HTREEITEM Add(HTREEITEM parent, const std::wstring& text, const std::wstring& path) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
        insert.item.pszText = const_cast<wchar_t*>(text.c_str());
        insert.item.cChildren = 1;  // until it is opened and found empty
        auto item = reinterpret_cast<HTREEITEM>(SendMessageW(m_hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        if (item) m_paths[item] = path;
        return item;
    }

    void Fill(HTREEITEM item) {
        if (!m_filled.insert(item).second) return;
        auto it = m_paths.find(item);
        if (it == m_paths.end()) return;
        std::wstring folder = it->second;
        if (folder.back() != L'\\') folder += L'\\';
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        ScopedFind search(FindFirstFileW((folder + L"*").c_str(), &data));
        if (search) {
            do {
                std::wstring name = data.cFileName;
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
                    names.push_back(name);
            } while (FindNextFileW(search.Get(), &data));
        }
        std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
            return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
        });
        for (const auto& name : names) Add(item, name, folder + name);
        if (names.empty()) {
            TVITEMW none{};
            none.mask = TVIF_CHILDREN | TVIF_HANDLE;
            none.hItem = item;
            none.cChildren = 0;
            SendMessageW(m_hwnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&none));
        }
    }

    std::map<HTREEITEM, std::wstring> m_paths;
    std::set<HTREEITEM> m_filled;
};

// The document view: the system's Rich Edit control (RichTextView.h); a plain
// read-only edit showing the document's text where no Rich Edit library exists.
class RichEditPeer final : public WinPeer {
public:
    RichEditPeer(WinUi& ui, Control& c) : WinPeer(ui, c) {}
    void MakeWindow() override {
        HWND parent = reinterpret_cast<HWND>(m_control.Parent() ? m_control.Parent()->Handle() : 0);
        int id = m_ui.NextControlId();
        if (parent && (m_hwnd = richtext::Create(parent, id))) {
            m_rich = true;
            m_ui.Register(m_hwnd, this);
            SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_ui.FontFor(m_control.EffectiveFont())), FALSE);
            UpdateCommon(Property::Bounds);
            if (!m_control.Visible()) UpdateCommon(Property::Visible);
            if (!m_control.Enabled()) UpdateCommon(Property::Enabled);
        } else {
            CreateChild(L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL, WS_EX_CLIENTEDGE);
        }
        Apply(Property::Style);
        Apply(Property::Content);
    }
    void Apply(Property changed) override {
        auto& view = static_cast<RichEdit&>(m_control);
        if (changed == Property::Content) {
            if (m_rich) {
                richtext::SetContent(m_hwnd, view.Content(), view.ContentIsRtf());
            } else {
                std::string text = view.ContentIsRtf() ? PlainTextOfRtf(view.Content()) : view.Content();
                SetWindowTextW(m_hwnd, Wide(WithCrLf(text)).c_str());
            }
        } else if (changed == Property::Style) {
            m_color = ColorOf(view.BackColor());
            if (m_rich) {
                richtext::SetReadOnly(m_hwnd, view.ReadOnly());
                richtext::SetBackColor(m_hwnd, m_color);
            } else {
                SendMessageW(m_hwnd, EM_SETREADONLY, view.ReadOnly(), 0);
                m_brush.Reset(CreateSolidBrush(m_color));
                InvalidateRect(m_hwnd, nullptr, TRUE);
            }
        } else {
            UpdateCommon(changed);
        }
    }
    HBRUSH Background(HDC dc) override {
        if (m_rich) return nullptr;  // a Rich Edit paints its own background
        SetBkColor(dc, m_color);
        return static_cast<HBRUSH>(m_brush.Get());
    }

private:
    bool m_rich = false;
    COLORREF m_color = RGB(255, 255, 255);
    ScopedGdi m_brush;
};

}  // namespace

void WinPeer::CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    Control* parent = m_control.Parent();
    HWND parentWindow = parent ? reinterpret_cast<HWND>(parent->Handle()) : nullptr;
    if (!parentWindow) throw Error("No window for the parent of " + m_control.Path());
    if (windowClass != kImageClass) m_ui.EnsureCommonControls();  // a system control
    style |= WS_CHILD | (m_control.Visible() ? WS_VISIBLE : 0) | (m_control.Enabled() ? 0 : WS_DISABLED);
    Rect b = m_control.Bounds();
    m_hwnd = CreateWindowExW(exStyle, windowClass, Wide(m_control.Text()).c_str(), style, b.left, b.top, b.width,
                             b.height, parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_ui.NextControlId())),
                             m_ui.Instance(), nullptr);
    if (!m_hwnd) throw Error("Cannot create the window " + m_control.Path());
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_ui.FontFor(m_control.EffectiveFont())), FALSE);
    m_ui.Register(m_hwnd, this);
}

void WinPeer::UpdateCommon(Property changed) {
    if (!m_hwnd) return;
    switch (changed) {
        case Property::Visible: ShowWindow(m_hwnd, m_control.Visible() ? SW_SHOWNA : SW_HIDE); break;
        case Property::Bounds: {
            Rect b = m_control.Bounds();
            SetWindowPos(m_hwnd, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case Property::Text: SetWindowTextW(m_hwnd, Wide(m_control.Text()).c_str()); break;
        case Property::Enabled: EnableWindow(m_hwnd, m_control.Enabled()); break;
        case Property::Focus: SetFocus(m_hwnd); break;
        case Property::Font:
            SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_ui.FontFor(m_control.EffectiveFont())), TRUE);
            break;
        default: break;
    }
}

WindowHandle WinPeer::Handle() const {
    // Asked for by the program (a receiver of notices, a video's display): made now.
    return reinterpret_cast<WindowHandle>(const_cast<WinPeer*>(this)->Window());
}

HWND WinPeer::Window() {
    if (!m_hwnd) MakeWindow();
    return m_hwnd;
}

void WinPeer::Realize() {
    if (MadeAtOnce()) MakeWindow();
}

bool WinPeer::MadeAtOnce() const {
    Control* parent = m_control.Parent();
    WinPeer* form = parent ? m_ui.PeerOf(*parent) : nullptr;
    return !parent || (form && form->ChildrenMade());
}

// Until the window exists the control's state is all in the program's model, and
// making the window shows all of it.
void WinPeer::Update(Property changed) {
    if (!m_hwnd) {
        if (!NeedsWindowFor(changed)) return;
        MakeWindow();
        if (changed == Property::Visible) return;
    }
    Apply(changed);
}

void FormStyles(const Form& form, DWORD& style, DWORD& exStyle) {
    exStyle = form.TopMost() ? WS_EX_TOPMOST : 0;
    switch (form.Border()) {
        case BorderStyle::None:
            // No frame at all; the system menu and minimise box only let the taskbar
            // button minimise and restore it.
            style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
            break;
        case BorderStyle::Sizeable: style = WS_OVERLAPPEDWINDOW; break;
        case BorderStyle::SizeToolWin:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
            exStyle |= WS_EX_TOOLWINDOW;
            break;
        case BorderStyle::Dialog:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
            exStyle |= WS_EX_DLGMODALFRAME;
            break;
    }
    style |= WS_CLIPCHILDREN;
}

void RegisterPeerClasses(HINSTANCE instance) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.style = CS_DBLCLKS;
    form.lpfnWndProc = FormPeer::WindowProc;
    form.hInstance = instance;
    form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);

    WNDCLASSEXW image{};
    image.cbSize = sizeof image;
    image.lpfnWndProc = ImagePeer::WindowProc;
    image.hInstance = instance;
    image.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    image.lpszClassName = kImageClass;
    RegisterClassExW(&image);
}

std::unique_ptr<WinPeer> CreateFormPeer(WinUi& ui, Form& form) { return std::make_unique<FormPeer>(ui, form); }

std::unique_ptr<WinPeer> CreateChildPeer(WinUi& ui, Control& control) {
    switch (control.Kind()) {
        case ControlKind::Label: return std::make_unique<LabelPeer>(ui, control);
        case ControlKind::Button: return std::make_unique<ButtonPeer>(ui, control);
        case ControlKind::Edit: return std::make_unique<EditPeer>(ui, control);
        case ControlKind::Image: return std::make_unique<ImagePeer>(ui, control);
        case ControlKind::TrackBar: return std::make_unique<TrackBarPeer>(ui, control);
        case ControlKind::CheckBox: return std::make_unique<CheckBoxPeer>(ui, control);
        case ControlKind::ProgressBar: return std::make_unique<ProgressBarPeer>(ui, control);
        case ControlKind::FolderTree: return std::make_unique<FolderTreePeer>(ui, control);
        case ControlKind::RichEdit: return std::make_unique<RichEditPeer>(ui, control);
        case ControlKind::Form: break;
    }
    throw Error("No peer for " + control.Path());
}

}  // namespace vel::win32
