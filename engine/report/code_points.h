#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pardovane {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at text[i], moving i past it. A surrogate pair is one code
// point; a surrogate without its partner is U+FFFD, so writers never emit
// half a character.
char32_t NextCodePoint(std::u16string_view text, std::size_t& i);

void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace pardovane
