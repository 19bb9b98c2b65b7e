#include "engine/page/markdown_places.h"

#include "engine/page/ascii.h"
#include "engine/page/fragment_match.h"
#include "engine/page/page_ids.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/utf_convert.h"

#include <optional>

namespace pardovane {
namespace {

// A line number after an "L", read to its end or to stop; nullopt unless
// it is digits, and 0 or too long for a file.
std::optional<std::uint32_t> LineNumber(std::u16string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    std::uint32_t number = 0;
    for (char16_t c : text) {
        if (!IsAsciiDigit(c))
            return std::nullopt;
        number = number * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    return number > 0 ? std::optional(number) : std::nullopt;
}

bool LineAnchorFound(std::u16string_view fragment, std::uint32_t lines)
{
    if (!fragment.starts_with(u'L'))
        return false;
    const std::size_t dash = fragment.find(u"-L");
    const auto first = LineNumber(fragment.substr(1, dash == std::u16string_view::npos ? dash : dash - 1));
    if (!first || *first > lines)
        return false;
    if (dash == std::u16string_view::npos)
        return true;
    const auto last = LineNumber(fragment.substr(dash + 2));
    return last && *last <= lines;
}

}  // namespace

IdSet MarkdownIds(const MarkdownSource& source, HeadingSlugs::Rules rules)
{
    IdSet ids;
    HeadingSlugs slugs(rules);
    for (const std::u16string& heading : source.headings())
        ids.Add(slugs.Next(heading));
    for (const MarkdownItem& item : source.items())
        if (item.html)
            AddPageIds(ids, item.text);
    ids.Seal();
    return ids;
}

bool MarkdownFragmentFound(const IdSet& ids, std::uint32_t lines, std::u16string_view fragment)
{
    if (FragmentFound(ids, fragment) || LineAnchorFound(fragment, lines))
        return true;
    std::u16string lowered = Utf8ToUtf16(PercentDecoded(Utf16ToUtf8(fragment)));
    for (char16_t& c : lowered)
        c = AsciiLower(c);
    return FragmentFound(ids, lowered);
}

}  // namespace pardovane
