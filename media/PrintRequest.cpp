#include <algorithm>

#include "host/MainFrm.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel {

namespace {

void Check(PrinterStatus status) {
    switch (status) {
        case PrinterStatus::Ok: return;
        case PrinterStatus::NoDefaultPrinter: throw Error("There is no default printer currently selected");
        case PrinterStatus::NotSupported: throw Error("Operation not supported on selected printer");
        case PrinterStatus::Failed: throw Error(Ru("Не удалось напечатать страницу"));
    }
}

}  // namespace

// One landscape page with the picture of the movie as the window shows it.
void TMainForm::PrintInemClick() {
    Printer& printer = program.platform.printer;
    if (!PrinterSelected) {
        Check(printer.SelectDefault());
        PrinterSelected = true;
    }
    Check(printer.SetLandscape());

    // The movie's area, cut to the window: what lies off screen has no picture.
    const Rect movie = Flash1->Bounds();
    const Size client = ClientSize();
    const int left = std::max(movie.left, 0), top = std::max(movie.top, 0);
    const int right = std::min(movie.left + movie.width, client.width);
    const int bottom = std::min(movie.top + movie.height, client.height);
    if (right <= left || bottom <= top) return;
    Check(printer.PrintWindowPicture(Handle(), {left, top, right - left, bottom - top}, m_app.Title()));
}

}  // namespace vel
