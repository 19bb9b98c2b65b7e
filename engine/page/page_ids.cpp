#include "engine/page/page_ids.h"

#include "engine/page/char_refs.h"
#include "engine/page/link_scanner.h"

namespace pardovane {

IdSet PageIds(std::u16string_view pageText)
{
    IdSet ids;
    AddPageIds(ids, pageText);
    ids.Seal();
    return ids;
}

void AddPageIds(IdSet& ids, std::u16string_view pageText)
{
    LinkScanner scanner({.resources = false, .ids = true});
    scanner.Scan(pageText, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        if (element == LinkScanner::Element::Id) {
            const std::u16string_view value = pageText.substr(offset, length);
            if (value.find(u'&') == std::u16string_view::npos)
                ids.Add(value);
            else
                ids.Add(DecodeCharRefs(value));
        }
        return true;
    });
}

}  // namespace pardovane
