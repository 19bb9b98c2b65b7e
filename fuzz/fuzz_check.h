#pragma once

// What the fuzz targets share: turning bytes into engine text, and a check
// that stops the run loudly, since libFuzzer counts only crashes.

#include "engine/page/utf_convert.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace pardovane::fuzz {

inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// Page text as the decoder could hand it on: usually UTF-8 turned into
// UTF-16, or, for lone surrogates and NULs, raw little-endian code units.
inline std::u16string TextFrom(std::string_view bytes, bool rawUnits)
{
    if (!rawUnits)
        return Utf8ToUtf16(bytes);
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i])
                                        | static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

}  // namespace pardovane::fuzz
