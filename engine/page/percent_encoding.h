#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// Printable ASCII that RFC 3986 never allows raw in a URL; browsers escape
// these too.
inline bool NeverRawInUrl(char16_t c)
{
    return std::u16string_view(u" \"<>\\^`{|}").find(c) != std::u16string_view::npos;
}

// Each byte as %XX, upper-case hex.
template <typename Text>
void AppendPercentEncoded(Text& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char byte : bytes) {
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
}

}  // namespace pardovane
