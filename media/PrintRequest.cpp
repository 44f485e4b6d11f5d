#include "media/PrintRequest.h"

#include <algorithm>

#include "platform/Printer.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

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
void TPrintRequest::Print(WindowHandle window, Rect movie, Size client, const std::string& title) {
    if (!m_selected) {
        Check(m_printer.SelectDefault());
        m_selected = true;
    }
    Check(m_printer.SetLandscape());

    // The movie's area, cut to the window: what lies off screen has no picture.
    const int left = std::max(movie.left, 0), top = std::max(movie.top, 0);
    const int right = std::min(movie.left + movie.width, client.width);
    const int bottom = std::min(movie.top + movie.height, client.height);
    if (right <= left || bottom <= top) return;
    Check(m_printer.PrintWindowPicture(window, {left, top, right - left, bottom - top}, title));
}

}  // namespace vel
