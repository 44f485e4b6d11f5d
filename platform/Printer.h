#pragma once
// The printer layer: the system's default printer and the program's own page settings.

#include <string>

#include "platform/Types.h"

namespace vel {

enum class PrinterStatus { Ok, NoDefaultPrinter, NotSupported, Failed };

class Printer {
public:
    Printer() = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    virtual ~Printer() = default;

    // Selects the system's default printer for this run.
    virtual PrinterStatus SelectDefault() = 0;
    // Landscape in the program's own settings; the system's defaults are untouched.
    virtual PrinterStatus SetLandscape() = 0;
    // Prints one page with the picture of `source` (client coordinates of `window`),
    // scaled to fit the page with its aspect kept, under the document title.
    virtual PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) = 0;
};

}  // namespace vel
