#include "cli/terminal_escapes.h"

#include <unistd.h>

#include <cstdlib>

namespace pardovane {

bool StderrTakesEscapes()
{
    const char* term = std::getenv("TERM");
    return IsTerminal(STDERR_FILENO) && term != nullptr && *term != '\0' && std::string_view(term) != "dumb"
        && std::getenv("NO_COLOR") == nullptr;
}

bool IsTerminal(int fd)
{
    return isatty(fd) == 1;
}

std::string ShowControls(std::string_view utf8)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        // C1 is C2 80 to C2 9F in UTF-8; other bytes above 7F are never controls.
        const bool c1
            = c == 0xC2 && i + 1 < utf8.size() && IsControlCharacter(static_cast<unsigned char>(utf8[i + 1]));
        if (c1)
            c = static_cast<unsigned char>(utf8[++i]);
        if (c1 || (c < 0x80 && IsControlCharacter(c) && c != '\t' && c != '\n' && c != '\r')) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace pardovane
