#include "platform/win32/RichTextView.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32/WinText.h"

namespace vel::win32::richtext {
namespace {

// The class of the best Rich Edit available, or nullptr. The library stays loaded:
// freeing it while one of its controls exists would pull the window procedure away.
const wchar_t* RichEditClass() {
    static const wchar_t* const cls = []() -> const wchar_t* {
        if (LoadLibraryW(L"msftedit.dll")) return L"RICHEDIT50W";
        if (LoadLibraryW(L"riched20.dll")) return L"RichEdit20W";
        return nullptr;
    }();
    return cls;
}

struct Source {
    const char* data;
    std::size_t size;
    std::size_t read = 0;
};

DWORD CALLBACK ReadSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<Source*>(cookie);
    std::size_t n = std::min(source->size - source->read, static_cast<std::size_t>(wanted));
    std::memcpy(buffer, source->data + source->read, n);
    source->read += n;
    *given = static_cast<LONG>(n);
    return 0;
}

}  // namespace

HWND Create(HWND parent, int id) {
    const wchar_t* cls = RichEditClass();
    if (!cls) return nullptr;
    HWND view = CreateWindowExW(WS_EX_CLIENTEDGE, cls, L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!view) return nullptr;
    // The default limit of 32,767 characters applies to EM_STREAMIN too and would cut
    // a long document off silently.
    SendMessageW(view, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    return view;
}

bool SetContent(HWND view, std::string_view bytes, bool isRtf) {
    // Plain text is turned into UTF-16 here rather than streamed as 8-bit text, which
    // the control would read in the system's ANSI code page, not in 1251.
    std::wstring wide;
    Source source{bytes.data(), bytes.size()};
    WPARAM format = SF_RTF;
    if (!isRtf) {
        wide = Wide(bytes);
        source = Source{reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)};
        format = SF_TEXT | SF_UNICODE;
    }
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadSource;
    SendMessageW(view, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(view, EM_SETMODIFY, FALSE, 0);
    SendMessageW(view, EM_SETSEL, 0, 0);
    SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
    return stream.dwError == 0;
}

void SetReadOnly(HWND view, bool readOnly) { SendMessageW(view, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }

void SetBackColor(HWND view, COLORREF color) { SendMessageW(view, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(color)); }

}  // namespace vel::win32::richtext
