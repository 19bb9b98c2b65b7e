#pragma once

#include "engine/page/ascii.h"

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

// A file path (UTF-8) as a URL path: what may stand raw in a path segment
// stays, every other byte is %XX, so decoding gives the path back.
inline std::u16string PercentEncodedPath(std::string_view path)
{
    static constexpr std::string_view kRaw = "-._~!$&'()*+,;=:@/";
    std::u16string out;
    for (char c : path) {
        if (IsAsciiAlpha(c) || IsAsciiDigit(c) || kRaw.find(c) != std::string_view::npos)
            out += static_cast<char16_t>(c);
        else
            AppendPercentEncoded(out, std::string_view(&c, 1));
    }
    return out;
}

// The URL Standard's percent-decode: "%" with two hex digits is that byte,
// any other "%" stays as it is.
inline std::string PercentDecoded(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = bytes[i] == '%' && i + 2 < bytes.size() ? AsciiHexValue(bytes[i + 1]) : -1;
        const int low = high >= 0 ? AsciiHexValue(bytes[i + 2]) : -1;
        if (low < 0) {
            out += bytes[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace pardovane
