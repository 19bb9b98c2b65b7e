#pragma once

#include <string>
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

// text with its letters A-Z folded to a-z.
inline std::string AsciiLowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// text without the spaces, tabs, CRs and LFs at either end.
constexpr std::string_view AsciiTrimmed(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The value of a hex digit, either case; -1 for any other character.
template <typename Char>
constexpr int AsciiHexValue(Char c)
{
    if (c >= Char('0') && c <= Char('9'))
        return static_cast<int>(c - Char('0'));
    const Char lower = AsciiLower(c);
    return lower >= Char('a') && lower <= Char('f') ? static_cast<int>(lower - Char('a')) + 10 : -1;
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
