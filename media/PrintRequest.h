#pragma once
// The movie's print request: one landscape page with the movie's picture.

#include <string>

#include "platform/Types.h"

namespace vel {

class Printer;

class PrintRequest {
public:
    explicit PrintRequest(Printer& printer) : m_printer(printer) {}

    // The part of `movie` inside the window's client area of `client` size, printed
    // from `window` under the job name `title`.
    void Print(WindowHandle window, Rect movie, Size client, const std::string& title);

private:
    Printer& m_printer;
    // The default printer was selected in this run.
    bool m_selected = false;
};

}  // namespace vel
