#include "engine/page/utf_convert.h"

#include <cstdint>

namespace pardovane {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at bytes[i]. Returns the code point, or -1 for an
// invalid sequence; `length` is how many bytes it consumed (at least 1).
std::int32_t DecodeOne(std::string_view bytes, std::size_t i, std::size_t& length)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t need;
    std::int32_t cp;
    std::int32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return -1;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= bytes.size() || (byte(i + k) & 0xC0) != 0x80)
            return -1;  // consume only the lead, as browsers do for a maximal subpart
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    length = need + 1;
    return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {  // the common case, kept out of the decoder
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t length;
        const std::int32_t cp = DecodeOne(bytes, i, length);
        i += length;
        if (cp < 0) {
            out += kReplacement;
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t unit = text[i];
        if (StartsSurrogatePair(text, i)) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        if (DecodeOne(bytes, i, length) < 0)
            return false;
        i += length;
    }
    return true;
}

}  // namespace pardovane
