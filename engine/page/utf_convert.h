#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view bytes);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view bytes);

// Whether text[i] and text[i + 1] are a high and a low surrogate: one character.
inline bool StartsSurrogatePair(std::u16string_view text, std::size_t i)
{
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
        && text[i + 1] <= 0xDFFF;
}

}  // namespace pardovane
