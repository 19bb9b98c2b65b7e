#include "engine/report/code_points.h"

namespace pardovane {

char32_t NextCodePoint(std::u16string_view text, std::size_t& i)
{
    const char32_t unit = text[i++];
    if (unit >= 0xD800 && unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return kReplacementCharacter;
    return unit;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    auto add = [&](char32_t bits) { out += static_cast<char>(bits); };
    if (codePoint < 0x80) {
        add(codePoint);
    } else if (codePoint < 0x800) {
        add(0xC0 | (codePoint >> 6));
        add(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        add(0xE0 | (codePoint >> 12));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    } else {
        add(0xF0 | (codePoint >> 18));
        add(0x80 | ((codePoint >> 12) & 0x3F));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace pardovane
