#include "engine/page/page_links.h"

#include "engine/page/link_resolution.h"
#include "engine/page/link_scanner.h"

namespace pardovane {

void ForEachPageLink(std::u16string_view pageText, std::u16string_view pageUrl, const std::string& charset,
                     const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink)
{
    const std::u16string base = PageBaseUrl(pageText, pageUrl, charset);
    LinkScanner scanner;
    scanner.Scan(pageText, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
        if (element == LinkScanner::Element::Base)
            return true;
        PageLink link{offset + 1, length, TargetOfLink(pageText.substr(offset, length), base, charset),
                      element};
        if (link.target.probed() && exclusion) {
            if (auto pattern = exclusion(link.target.url)) {
                link.target.kind = LinkTarget::Kind::Excluded;
                link.target.detail = std::move(*pattern);
            }
        }
        onLink(link);
        return true;
    });
}

}  // namespace pardovane
