#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// Invalid sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view bytes);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view bytes);

}  // namespace pardovane
