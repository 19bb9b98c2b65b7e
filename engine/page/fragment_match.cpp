#include "engine/page/fragment_match.h"

#include "engine/page/ascii.h"
#include "engine/page/utf_convert.h"

#include <string>

namespace pardovane {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = AsciiLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The URL Standard's percent-decode: "%" with two hex digits is that byte,
// any other "%" stays as it is.
std::string PercentDecode(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = bytes[i] == '%' && i + 2 < bytes.size() ? HexValue(bytes[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(bytes[i + 2]) : -1;
        if (low < 0) {
            out += bytes[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace

bool FragmentFound(const IdSet& ids, std::u16string_view fragment)
{
    if (fragment.empty() || ids.Contains(fragment))
        return true;
    const std::u16string decoded = Utf8ToUtf16(PercentDecode(Utf16ToUtf8(fragment)));
    return ids.Contains(decoded)
        || (decoded.size() == 3 && StartsWithNoCase(std::u16string_view(decoded), u"top"));
}

}  // namespace pardovane
