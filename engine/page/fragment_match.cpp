#include "engine/page/fragment_match.h"

#include "engine/page/ascii.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/utf_convert.h"

#include <string>

namespace pardovane {

bool FragmentFound(const IdSet& ids, std::u16string_view fragment)
{
    if (fragment.empty() || ids.Contains(fragment))
        return true;
    const std::u16string decoded = Utf8ToUtf16(PercentDecoded(Utf16ToUtf8(fragment)));
    return ids.Contains(decoded)
        || (decoded.size() == 3 && StartsWithNoCase(std::u16string_view(decoded), u"top"));
}

}  // namespace pardovane
