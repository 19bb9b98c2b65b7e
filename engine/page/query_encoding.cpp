#include "engine/page/query_encoding.h"

#include "engine/page/ascii.h"
#include "engine/page/iconv_decoder.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/utf_convert.h"

#include <algorithm>

namespace pardovane {
namespace {

// One character the charset lacks, as HTML forms and browsers write it.
void AppendReference(std::u16string& out, std::u16string_view character)
{
    char32_t c = character[0];
    if (character.size() == 2)
        c = 0x10000 + ((c - 0xD800) << 10) + (character[1] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
        c = 0xFFFD;
    const std::string digits = std::to_string(static_cast<unsigned long>(c));
    AppendPercentEncoded(out, "&#");
    out.append(digits.begin(), digits.end());
    AppendPercentEncoded(out, ";");
}

}  // namespace

std::u16string EncodeQueryIn(std::u16string url, const std::string& charset)
{
    const std::size_t queryEnd = std::min(url.find(u'#'), url.size());
    const std::size_t query = url.find(u'?');
    if (query >= queryEnd || charset.empty() || StartsWithNoCase(charset, "utf"))
        return url;
    std::u16string out = url.substr(0, query);
    for (std::size_t i = query; i < queryEnd;) {
        std::size_t end = i;
        while (end < queryEnd && url[end] >= 0x80)
            ++end;
        if (end == i) {
            out += url[i++];
            continue;
        }
        // A run at once, so a stateful charset shifts once in and once out.
        const std::u16string_view run = std::u16string_view(url).substr(i, end - i);
        if (auto bytes = EncodeWith(charset, run)) {
            AppendPercentEncoded(out, *bytes);
        } else {
            for (std::size_t k = 0; k < run.size();) {
                const std::u16string_view character = run.substr(k, StartsSurrogatePair(run, k) ? 2 : 1);
                if (auto one = EncodeWith(charset, character))
                    AppendPercentEncoded(out, *one);
                else
                    AppendReference(out, character);
                k += character.size();
            }
        }
        i = end;
    }
    return out.append(url.substr(queryEnd));
}

}  // namespace pardovane
