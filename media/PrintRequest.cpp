#include "media/PrintRequest.h"

#include <algorithm>
#include <cstdint>

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
void PrintRequest::Print(WindowHandle window, Rect movie, Size client, const std::string& title) {
    if (!m_selected) {
        Check(m_printer.SelectDefault());
        m_selected = true;
    }
    Check(m_printer.SetLandscape());

    // The movie's area, cut to the window: what lies off screen has no picture. Wide:
    // a far edge may lie past the 32-bit range.
    const std::int64_t left = std::max(movie.left, 0), top = std::max(movie.top, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{movie.left} + movie.width, client.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{movie.top} + movie.height, client.height);
    if (right <= left || bottom <= top) return;
    Check(m_printer.PrintWindowPicture(window,
                                       {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                                        static_cast<int>(bottom - top)},
                                       title));
}

}  // namespace vel
