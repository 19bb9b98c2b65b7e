#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>

namespace pardovane {

// Finds the href values of "<a " tags and the src values of "<img " tags,
// outside "<!--" comments, in one pass over a page. This is not an HTML
// parser: at each position it matches a few fixed sequences, with only A-Z
// folded to lower case. A value ends at the next space, double quote or ">"
// only, so apostrophes, tabs and line ends stay inside it. After a quoted
// value opens, the cursor jumps onto its first character and moves past it
// untested, which is why "" closes only at the next end character after it.
//
// Positions are 1-based UTF-16 code units. For every value that closes,
// onLink(linkStart, scanPos) is called with scanPos on the character that
// ended it, so the value is the scanPos - linkStart units from linkStart.
// A value still open when the text ends is dropped.
class LinkScanner {
public:
    enum State : int {
        kOutside = 0,
        kInATag = 1,
        kInHref = 2,
        kInImgTag = 11,
        kInSrc = 12,
        kInComment = 20,
    };

    template <typename OnLink>
        requires std::invocable<OnLink&, std::size_t, std::size_t>
    void Scan(std::u16string_view text, OnLink&& onLink);

    State state() const { return state_; }
    std::size_t scanPos() const { return scanPos_; }
    // 0 until a value has opened.
    std::size_t linkStart() const { return linkStart_; }

private:
    State state_ = kOutside;
    std::size_t scanPos_ = 0;
    std::size_t linkStart_ = 0;
};

namespace scanner_detail {

constexpr char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Whether text at index begins with pattern, A-Z lowered; pattern is lower case.
template <std::size_t N>
inline bool StartsWith(std::u16string_view text, std::size_t index, const char16_t (&pattern)[N])
{
    constexpr std::size_t length = N - 1;  // without the terminating null
    if (text.size() - index < length)
        return false;
    for (std::size_t k = 0; k < length; ++k)
        if (Lower(text[index + k]) != pattern[k])
            return false;
    return true;
}

// The first index from index on that holds c, or the end.
inline std::size_t SkipTo(std::u16string_view text, std::size_t index, char16_t c)
{
    const std::size_t n = text.size();
    while (index < n && text[index] != c)
        ++index;
    return index;
}

// The first index from index on that holds a, b or c, or the end.
inline std::size_t SkipToAny(std::u16string_view text, std::size_t index, char16_t a,
                             char16_t b, char16_t c)
{
    const std::size_t n = text.size();
    while (index < n && text[index] != a && text[index] != b && text[index] != c)
        ++index;
    return index;
}

}  // namespace scanner_detail

template <typename OnLink>
    requires std::invocable<OnLink&, std::size_t, std::size_t>
void LinkScanner::Scan(std::u16string_view text, OnLink&& onLink)
{
    using namespace scanner_detail;
    const std::size_t n = text.size();
    state_ = kOutside;
    linkStart_ = 0;
    // i is scanPos - 1. Each state can act only on a few characters, so the
    // scan runs straight to the next of them instead of testing every position.
    std::size_t i = 0;
    while (i < n) {
        switch (state_) {
        case kOutside:
            i = SkipTo(text, i, u'<');
            if (i == n)
                continue;
            if (StartsWith(text, i, u"<a "))
                state_ = kInATag;
            else if (StartsWith(text, i, u"<img "))
                state_ = kInImgTag;
            else if (StartsWith(text, i, u"<!--"))
                state_ = kInComment;
            break;
        case kInATag:
            i = SkipToAny(text, i, u'h', u'H', u'>');
            if (i == n)
                continue;
            if (StartsWith(text, i, u"href=\"")) {
                state_ = kInHref;
                linkStart_ = i + 1 + 6;
                i += 6;
            } else if (StartsWith(text, i, u"href=")) {
                // The cursor stays on the "h": r, e, f and = cannot end a value.
                state_ = kInHref;
                linkStart_ = i + 1 + 5;
            } else if (text[i] == u'>') {
                state_ = kOutside;
            }
            break;
        case kInImgTag:
            i = SkipToAny(text, i, u's', u'S', u'>');
            if (i == n)
                continue;
            if (StartsWith(text, i, u"src=\"")) {
                state_ = kInSrc;
                linkStart_ = i + 1 + 5;
                i += 5;
            } else if (StartsWith(text, i, u"src=")) {
                state_ = kInSrc;
                linkStart_ = i + 1 + 4;
            } else if (text[i] == u'>') {
                state_ = kOutside;
            }
            break;
        case kInHref:
        case kInSrc:
            i = SkipToAny(text, i, u' ', u'"', u'>');
            if (i == n)
                continue;
            state_ = kOutside;
            scanPos_ = i + 1;
            onLink(linkStart_, scanPos_);
            break;
        case kInComment:
            i = SkipTo(text, i, u'-');
            if (i == n)
                continue;
            if (StartsWith(text, i, u"-->"))
                state_ = kOutside;
            break;
        }
        ++i;
    }
    scanPos_ = i + 1;
}

}  // namespace pardovane
