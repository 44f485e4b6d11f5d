#pragma once
// Errors are exceptions: an error that escapes an event handler is shown by the
// application's standard error report (its text in a message box) and the loop goes on.

#include <stdexcept>
#include <string>

namespace vel {

// Any error of the program or the platform; what() holds the 8-bit text shown to the user.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// A failure of an OLE/COM object (the movie control cannot be created, "Flash Error").
class OleError : public Error {
public:
    explicit OleError(const std::string& text) : Error(text) {}
};

}  // namespace vel
