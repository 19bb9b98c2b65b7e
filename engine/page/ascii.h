#pragma once

#include <string_view>

namespace pardovane {

// ASCII-only case folding: URL schemes, HTTP header names and HTML names
// compare this way, never by the locale.
template <typename Char>
constexpr Char AsciiLower(Char c)
{
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Whether text begins with lowerPrefix, letters A-Z in text folded first.
template <typename Char>
constexpr bool StartsWithNoCase(std::basic_string_view<Char> text, std::basic_string_view<Char> lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (AsciiLower(text[i]) != lowerPrefix[i])
            return false;
    return true;
}

constexpr bool StartsWithNoCase(std::u16string_view text, std::u16string_view lowerPrefix)
{
    return StartsWithNoCase<char16_t>(text, lowerPrefix);
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    return StartsWithNoCase<char>(text, lowerPrefix);
}

constexpr bool IsAsciiAlpha(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr bool IsAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// HTML's ASCII whitespace: space, tab, LF, FF and CR.
constexpr bool IsHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

}  // namespace pardovane
