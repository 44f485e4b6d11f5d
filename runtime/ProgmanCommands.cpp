#include "runtime/ProgmanCommands.h"

namespace vel {

namespace {

// Blanks as Trim reads them; a byte of a national letter is none.
bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && Blank(text[i])) ++i;
    return i;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

// Whether a ")" at `i` closes its command: "]" follows, after blanks.
bool ClosesCommand(std::string_view text, std::size_t i) {
    const std::size_t next = SkipBlanks(text, i + 1);
    return next < text.size() && text[next] == ']';
}

}  // namespace

std::vector<ProgmanCommand> ParseProgmanCommands(std::string_view text) {
    std::vector<ProgmanCommand> out;
    std::size_t pos = 0;
    while ((pos = text.find('[', pos)) != std::string_view::npos) {
        const std::size_t paren = text.find_first_of("([]", pos + 1);
        if (paren == std::string_view::npos || text[paren] != '(') break;
        ProgmanCommand command{std::string(TrimBlanks(text.substr(pos + 1, paren - pos - 1))), {}};
        if (command.name.empty()) break;
        std::size_t i = paren + 1;
        bool closed = false;
        while (!closed) {
            i = SkipBlanks(text, i);
            if (i < text.size() && text[i] == '"') {
                std::size_t q = i + 1;
                for (;; ++q) {
                    q = text.find('"', q);
                    if (q == std::string_view::npos) return out;  // an open quote
                    const std::size_t next = SkipBlanks(text, q + 1);
                    if (next < text.size() && (text[next] == ',' || (text[next] == ')' && ClosesCommand(text, next)))) break;
                }
                command.args.emplace_back(text.substr(i + 1, q - i - 1));
                i = SkipBlanks(text, q + 1);
            } else {
                std::size_t end = i;
                while (end < text.size() && text[end] != ',' && !(text[end] == ')' && ClosesCommand(text, end))) ++end;
                if (end == text.size()) return out;  // no closing parenthesis
                command.args.emplace_back(TrimBlanks(text.substr(i, end - i)));
                i = end;
            }
            if (i < text.size() && text[i] == ',') {
                ++i;
            } else if (i < text.size() && text[i] == ')' && ClosesCommand(text, i)) {
                closed = true;
                i = SkipBlanks(text, i + 1) + 1;
            } else {
                return out;
            }
        }
        out.push_back(std::move(command));
        pos = i;
    }
    return out;
}

}  // namespace vel
