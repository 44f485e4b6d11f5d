#pragma once
// The readable text of a rich-text (RTF) document, for a view that shows only plain
// text: the Windows backend's plain view where no Rich Edit library exists; and what
// a document costs a view that reads it.

#include <string>
#include <string_view>

namespace vel {

// The document's text (see TextOfRtfDocument) in code page 1251, its line ends CR LF.
std::string PlainTextOfRtf(std::string_view rtf);

// What a rich-text view pays for a document: how deeply its groups nest (counted as
// a reader that knows no binary data counts them: escaped braces do not count,
// braces in the data of "\binN" do; a "}" without its "{" does not go below the
// top), and its bytes outside the data of pictures and objects.
struct RtfWeight {
    std::size_t depth = 0;
    std::size_t textBytes = 0;
    bool operator==(const RtfWeight&) const = default;
};
RtfWeight WeighRtf(std::string_view rtf);

}  // namespace vel
