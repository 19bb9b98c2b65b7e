#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// Whether stderr may carry escape sequences (the progress line): it is a
// terminal, TERM names one that is not "dumb", and NO_COLOR is not set.
bool StderrTakesEscapes();

bool IsTerminal(int fd);

// Characters a terminal acts on instead of showing: C0, DEL and C1.
constexpr bool IsControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// UTF-8 text for a terminal: every control character but TAB, LF and CR
// becomes visible as \xNN (its code point), so that text from a page cannot
// move the cursor, rename the window or reach the clipboard. The text must
// hold whole characters.
std::string ShowControls(std::string_view utf8);

}  // namespace pardovane
