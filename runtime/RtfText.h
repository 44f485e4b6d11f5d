#pragma once
// The readable text of a rich-text (RTF) document, for a view that shows only plain
// text: the Windows backend's plain view where no Rich Edit library exists.

#include <string>
#include <string_view>

namespace vel {

// Groups that are not text (font and colour tables, pictures, "\*" destinations)
// are dropped, escapes and "\uN" characters resolved (to code page 1251),
// paragraphs and line breaks turned into CR LF, tabs kept.
std::string PlainTextOfRtf(std::string_view rtf);

}  // namespace vel
