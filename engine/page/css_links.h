#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// One URL a style sheet loads.
struct CssLink {
    // The URL as written: inside the quotes, or an unquoted url( )'s
    // contents without the whitespace around them.
    std::size_t offset = 0;
    std::size_t length = 0;
    std::u16string url;   // with CSS escapes resolved; never empty
    bool import = false;  // the style sheet an @import loads
};

// The URLs a browser loads for a style sheet (or a style attribute's
// declarations), in text order: each url( ), quoted or not, and the
// sheet each @import names, the @import only where it counts, before any
// rule other than @charset and @layer statements. A string is a URL only as
// url( )'s or @import's argument; comments, other at-rules' preludes
// (@namespace, @supports) and malformed url( )s give nothing.
std::vector<CssLink> CssLinks(std::u16string_view css);

}  // namespace pardovane
