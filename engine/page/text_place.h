#pragma once

#include <cstdint>

namespace pardovane {

// Where something stands in a text, as an editor shows it: 1-based line
// (ended by LF, CR LF or a lone CR) and 1-based column in characters (code
// points). 0 when not known.
struct TextPlace {
    std::uint32_t line = 0;
    std::uint32_t column = 0;

    bool known() const { return line > 0; }
};

}  // namespace pardovane
