#include "platform/win32/WinPrinter.h"

#include "platform/win32/Scoped.h"
#include "platform/win32/Win32.h"
#include "platform/win32/WinText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vel::win32 {
namespace {

// Puts the DC's previous object back: a bitmap still selected into a DC can be
// neither read with GetDIBits nor deleted.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~Selection() { Restore(); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    void Restore() {
        if (m_old) SelectObject(m_dc, m_old);
        m_old = nullptr;
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A started document is aborted unless it was ended: a half-spooled job must not stay.
class Document {
public:
    explicit Document(HDC dc) : m_dc(dc) {}
    ~Document() {
        if (m_started && !m_ended) AbortDoc(m_dc);
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    bool Start(const std::wstring& title) {
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = title.c_str();
        m_started = StartDocW(m_dc, &info) > 0;
        return m_started;
    }
    bool End() {
        m_ended = EndDoc(m_dc) > 0;
        return m_ended;
    }

private:
    HDC m_dc;
    bool m_started = false;
    bool m_ended = false;
};

// The picture of a window area as a bottom-up 24-bit DIB: printer drivers that
// mishandle top-down DIBs exist, none that refuse bottom-up ones.
struct Picture {
    BITMAPINFO info{};
    std::vector<std::uint8_t> bits;
};

// Taken from the window's own DC, its client canvas with what its children painted on
// it, not from the screen: Wine keeps a window's pixels in a surface that reaches the
// screen only some time after they were drawn.
bool Capture(HWND window, const Rect& source, Picture& picture) {
    ScopedWindowDc canvas(window);
    if (!canvas) return false;
    ScopedDc memory(CreateCompatibleDC(canvas.Get()));
    ScopedGdi bitmap(CreateCompatibleBitmap(canvas.Get(), source.width, source.height));
    if (!memory || !bitmap) return false;
    Selection selected(memory.Get(), bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, source.width, source.height, canvas.Get(), source.left, source.top,
                SRCCOPY | CAPTUREBLT))
        return false;
    selected.Restore();

    BITMAPINFOHEADER& header = picture.info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = source.width;
    header.biHeight = source.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const std::size_t stride = (static_cast<std::size_t>(source.width) * 3 + 3) & ~std::size_t{3};
    picture.bits.resize(stride * static_cast<std::size_t>(source.height));
    return GetDIBits(canvas.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(source.height), picture.bits.data(),
                     &picture.info, DIB_RGB_COLORS) == source.height;
}

class WinPrinter final : public Printer {
public:
    PrinterStatus SelectDefault() override;
    PrinterStatus SetLandscape() override;
    PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) override;

private:
    DEVMODEW* Settings() {
        return m_settings.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(m_settings.data());
    }

    std::wstring m_name;                // the selected printer; empty while none is
    std::vector<std::uint8_t> m_settings;  // the program's own DEVMODE, with the driver's private part
};

PrinterStatus WinPrinter::SelectDefault() {
    DWORD size = 0;
    // Fails twice over: ERROR_INSUFFICIENT_BUFFER with the size when there is a
    // default printer, ERROR_FILE_NOT_FOUND when there is none.
    auto defaultPrinter = late::GetDefaultPrinterW.Get();
    if (!defaultPrinter) return PrinterStatus::NoDefaultPrinter;
    defaultPrinter(nullptr, &size);
    if (size == 0) return PrinterStatus::NoDefaultPrinter;
    std::wstring name(size, L'\0');
    if (!defaultPrinter(name.data(), &size)) return PrinterStatus::NoDefaultPrinter;
    name.resize(std::wcslen(name.c_str()));
    if (name.empty()) return PrinterStatus::NoDefaultPrinter;
    if (name != m_name) m_settings.clear();  // settings belong to one printer's driver
    m_name = std::move(name);
    return PrinterStatus::Ok;
}

PrinterStatus WinPrinter::SetLandscape() {
    if (m_name.empty()) return PrinterStatus::NoDefaultPrinter;
    ScopedPrinter printer;
    auto openPrinter = late::OpenPrinterW.Get();
    auto documentProperties = late::DocumentPropertiesW.Get();
    if (!openPrinter || !documentProperties || !late::ClosePrinter.Get()) return PrinterStatus::NotSupported;
    if (!openPrinter(m_name.data(), printer.Put(), nullptr)) return PrinterStatus::NotSupported;

    if (m_settings.empty()) {
        // Only DM_OUT_BUFFER: the driver fills our buffer with the printer's current
        // settings. Never DM_UPDATE or SetPrinter, which would change them for everyone.
        LONG size = documentProperties(nullptr, printer.Get(), m_name.data(), nullptr, nullptr, 0);
        if (size < static_cast<LONG>(offsetof(DEVMODEW, dmFormName))) return PrinterStatus::NotSupported;
        m_settings.assign(static_cast<std::size_t>(size), 0);
        if (documentProperties(nullptr, printer.Get(), m_name.data(), Settings(), nullptr, DM_OUT_BUFFER) != IDOK) {
            m_settings.clear();
            return PrinterStatus::NotSupported;
        }
    }
    DEVMODEW* settings = Settings();
    settings->dmOrientation = DMORIENT_LANDSCAPE;
    settings->dmFields |= DM_ORIENTATION;
    // Let the driver bring its private part in line with the change, into a second
    // buffer: input and output may not be the same.
    std::vector<std::uint8_t> merged(m_settings.size(), 0);
    if (documentProperties(nullptr, printer.Get(), m_name.data(), reinterpret_cast<DEVMODEW*>(merged.data()),
                            settings, DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK)
        m_settings = std::move(merged);
    return PrinterStatus::Ok;
}

PrinterStatus WinPrinter::PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) {
    if (m_name.empty()) return PrinterStatus::NoDefaultPrinter;
    if (source.width <= 0 || source.height <= 0) return PrinterStatus::Failed;
    Picture picture;
    if (!Capture(reinterpret_cast<HWND>(window), source, picture)) return PrinterStatus::Failed;

    ScopedDc dc(CreateDCW(L"WINSPOOL", m_name.c_str(), nullptr, Settings()));
    if (!dc) return PrinterStatus::Failed;
    Document document(dc.Get());
    if (!document.Start(Wide(title)) || StartPage(dc.Get()) <= 0) return PrinterStatus::Failed;

    // Fit the picture into the printable area, aspect kept in physical units (the
    // device's dots need not be square), centred.
    const std::int64_t pageW = GetDeviceCaps(dc.Get(), HORZRES), pageH = GetDeviceCaps(dc.Get(), VERTRES);
    const std::int64_t dpiX = GetDeviceCaps(dc.Get(), LOGPIXELSX), dpiY = GetDeviceCaps(dc.Get(), LOGPIXELSY);
    if (pageW <= 0 || pageH <= 0 || dpiX <= 0 || dpiY <= 0) return PrinterStatus::Failed;
    std::int64_t width = pageW;
    std::int64_t height = source.height * dpiY * pageW / (source.width * dpiX);
    if (height > pageH) {
        height = pageH;
        width = source.width * dpiX * pageH / (source.height * dpiY);
    }
    SetStretchBltMode(dc.Get(), HALFTONE);
    SetBrushOrgEx(dc.Get(), 0, 0, nullptr);  // HALFTONE needs the brush origin set after it
    const int lines = StretchDIBits(dc.Get(), static_cast<int>((pageW - width) / 2),
                                    static_cast<int>((pageH - height) / 2), static_cast<int>(width),
                                    static_cast<int>(height), 0, 0, source.width, source.height,
                                    picture.bits.data(), &picture.info, DIB_RGB_COLORS, SRCCOPY);
    if (lines == 0 || lines == static_cast<int>(GDI_ERROR)) return PrinterStatus::Failed;
    if (EndPage(dc.Get()) <= 0 || !document.End()) return PrinterStatus::Failed;
    return PrinterStatus::Ok;
}

}  // namespace

std::unique_ptr<Printer> CreateWinPrinter() { return std::make_unique<WinPrinter>(); }

}  // namespace vel::win32
