#pragma once
// The read-only rich-text view of the document viewer: a Rich Edit control (version
// 4.1 from msftedit.dll, else 2.0/3.0 from riched20.dll) that the Ui backend's peer
// places and sizes like any child. Calls on the window thread. Link: user32.

#include "platform/win32/Win32.h"

#include <string_view>

namespace vel::win32::richtext {

// A visible, read-only, multi-line child of `parent` with control id `id`, at 0,0 with
// no size yet; the library is loaded on first use and kept for the process.
// nullptr when neither library can be loaded or the window cannot be made.
HWND Create(HWND parent, int id);

// Replaces the whole content: `bytes` are an RTF document when `isRtf`, else plain text
// in code page 1251. Leaves the caret and the view at the top. False when the control
// refused the stream; what it showed before may then be gone.
bool SetContent(HWND view, std::string_view bytes, bool isRtf);

void SetReadOnly(HWND view, bool readOnly);

// A Windows colour (0x00BBGGRR), as the program's colour values are.
void SetBackColor(HWND view, COLORREF color);

}  // namespace vel::win32::richtext
