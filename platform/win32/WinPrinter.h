#pragma once
// The printer layer over the spooler: the system's default printer, the program's own
// copy of its page settings (the system's defaults are never written), and a one-page
// print of a window's picture. Link: winspool, gdi32, user32.

#include <memory>

#include "platform/Printer.h"

namespace vel::win32 {

std::unique_ptr<Printer> CreateWinPrinter();

}  // namespace vel::win32
