#include "engine/page/char_refs.h"

#include "engine/page/ascii.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pardovane {
namespace {

struct NamedRef {
    std::u16string_view name;
    std::u16string_view value;
};

constexpr NamedRef kNamedRefs[] = {
#include "engine/page/html_entities.inc"
};
constexpr std::size_t kLongestName = 32;

// What HTML reads &#128; to &#159; as: the Windows-1252 characters there.
constexpr std::array<char16_t, 32> kC1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsAsciiAlnum(char16_t c)
{
    return IsAsciiAlpha(c) || IsAsciiDigit(c);
}

void AppendCodePoint(std::u16string& out, std::uint32_t cp)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    else if (cp >= 0x80 && cp <= 0x9F)
        cp = kC1[cp - 0x80];
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// The longest named reference that text begins with, if any.
const NamedRef* LongestNamedRef(std::u16string_view text)
{
    for (std::size_t length = std::min(kLongestName, text.size()); length > 0; --length) {
        const std::u16string_view candidate = text.substr(0, length);
        const auto found
            = std::lower_bound(std::begin(kNamedRefs), std::end(kNamedRefs), candidate,
                               [](const NamedRef& ref, std::u16string_view key) { return ref.name < key; });
        if (found != std::end(kNamedRefs) && found->name == candidate)
            return found;
    }
    return nullptr;
}

// At the "&#" at text[i]: appends the reference and returns the index after
// it, or 0 when there are no digits and the text stays as written.
std::size_t NumericRef(std::u16string_view text, std::size_t i, std::u16string& out)
{
    std::size_t k = i + 2;
    const bool hex = k < text.size() && AsciiLower(text[k]) == u'x';
    if (hex)
        ++k;
    const std::size_t digitsStart = k;
    std::uint32_t value = 0;
    for (; k < text.size() && (hex ? AsciiHexValue(text[k]) >= 0 : IsAsciiDigit(text[k])); ++k) {
        const auto digit = static_cast<std::uint32_t>(AsciiHexValue(text[k]));
        value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    if (k == digitsStart)
        return 0;
    if (k < text.size() && text[k] == u';')
        ++k;
    AppendCodePoint(out, value);
    return k;
}

}  // namespace

std::u16string DecodeCharRefs(std::u16string_view value)
{
    std::u16string out;
    out.reserve(value.size());
    std::size_t i = 0;
    while (i < value.size()) {
        const std::size_t amp = value.find(u'&', i);
        if (amp == std::u16string_view::npos) {
            out.append(value.substr(i));
            break;
        }
        out.append(value.substr(i, amp - i));
        i = amp + 1;
        if (i < value.size() && value[i] == u'#') {
            if (const std::size_t next = NumericRef(value, amp, out)) {
                i = next;
                continue;
            }
        } else if (const NamedRef* ref = LongestNamedRef(value.substr(i))) {
            const std::size_t end = i + ref->name.size();
            const bool legacyBeforeName = !ref->name.ends_with(u';') && end < value.size()
                && (value[end] == u'=' || IsAsciiAlnum(value[end]));
            if (!legacyBeforeName) {
                out.append(ref->value);
                i = end;
                continue;
            }
        }
        out += u'&';
    }
    return out;
}

}  // namespace pardovane
