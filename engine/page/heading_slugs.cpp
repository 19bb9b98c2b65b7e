#include "engine/page/heading_slugs.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace pardovane {
namespace {

// Full lower-case mapping in no locale's tailoring, as JavaScript's and
// Ruby's lower-casing do (a final sigma becomes "ς").
std::u16string Lowered(std::u16string_view text)
{
    std::u16string out(text.size() + 8, u'\0');
    for (int pass = 0; pass < 2; ++pass) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = u_strToLower(out.data(), static_cast<int32_t>(out.size()), text.data(),
                                            static_cast<int32_t>(text.size()), "", &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(length), u'\0');
            continue;
        }
        if (U_FAILURE(status))
            return std::u16string(text);
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return std::u16string(text);
}

bool GithubRemoves(UChar32 c)
{
    if (c == u' ' || c == u'-' || u_hasBinaryProperty(c, UCHAR_ALPHABETIC))
        return false;
    switch (u_charType(c)) {
    case U_OTHER_NUMBER:
    case U_START_PUNCTUATION:
    case U_END_PUNCTUATION:
    case U_INITIAL_PUNCTUATION:
    case U_FINAL_PUNCTUATION:
    case U_OTHER_PUNCTUATION:
    case U_DASH_PUNCTUATION:
    case U_MATH_SYMBOL:
    case U_CURRENCY_SYMBOL:
    case U_MODIFIER_SYMBOL:
    case U_OTHER_SYMBOL:
    case U_CONTROL_CHAR:
    case U_PRIVATE_USE_CHAR:
    case U_FORMAT_CHAR:
    case U_UNASSIGNED:
    case U_SPACE_SEPARATOR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
        return true;
    default:
        return false;
    }
}

bool GitlabKeeps(UChar32 c)
{
    if (c == u' ' || c == u'-')
        return true;
    const auto mask = U_GET_GC_MASK(c);
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0;
}

}  // namespace

std::u16string HeadingSlug(std::u16string_view heading, HeadingSlugs::Rules rules)
{
    const std::u16string lowered = Lowered(heading);
    std::u16string slug;
    for (std::size_t i = 0; i < lowered.size();) {
        const std::size_t begin = i;
        UChar32 c = 0;
        U16_NEXT(lowered.data(), i, lowered.size(), c);
        const bool kept = rules == HeadingSlugs::Rules::Github ? !GithubRemoves(c) : GitlabKeeps(c);
        if (!kept)
            continue;
        const char16_t unit = c == u' ' ? u'-' : lowered[begin];
        if (rules == HeadingSlugs::Rules::Gitlab && unit == u'-' && slug.ends_with(u'-'))
            continue;
        slug += unit;
        slug.append(lowered, begin + 1, i - begin - 1);
    }
    return slug;
}

std::u16string HeadingSlugs::Next(std::u16string_view heading)
{
    const std::u16string base = HeadingSlug(heading, rules_);
    std::u16string slug = base;
    // As github-slugger counts: the base's count goes up until a free name is found.
    while (taken_.contains(slug)) {
        const int repeat = ++taken_[base];
        const std::string digits = std::to_string(repeat);
        slug = base + u'-' + std::u16string(digits.begin(), digits.end());
    }
    taken_[slug] = 0;
    return slug;
}

}  // namespace pardovane
