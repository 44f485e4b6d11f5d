#pragma once
// The printer layer: the system's default printer, the program's own page settings
// for it, and one-page jobs with the picture of a window. Nothing here raises: the
// caller turns a status into the program's error. Calls come on the window thread.

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

    // Selects the system's default printer as the printer of this run: Ok, or
    // NoDefaultPrinter when the system has none (nothing is selected then). The
    // caller selects once per run; the selection and its settings last until the
    // program ends.
    virtual PrinterStatus SelectDefault() = 0;

    // Landscape in the program's own copy of the selected printer's page settings;
    // the system's and the printer's defaults are untouched. Ok; NoDefaultPrinter when
    // nothing is selected; NotSupported when the printer cannot report its settings.
    virtual PrinterStatus SetLandscape() = 0;

    // One job of one page on the selected printer with the program's page settings:
    // the picture of `source` (a non-empty rectangle inside the client area of
    // `window`, in its client coordinates), as the window shows it with its child
    // windows, scaled to the largest size that fits the printable area with its
    // aspect kept, centred on the page. `title` names the job in the print queue.
    // Ok once the page is handed to the spooler; NoDefaultPrinter when nothing is
    // selected; Failed when no page could be printed (no job is left behind).
    virtual PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) = 0;
};

}  // namespace vel
