#include "page_links.h"

#include "link_resolution.h"
#include "link_scanner.h"

namespace pardovane {

void ForEachPageLink(std::u16string_view pageText, std::u16string_view pageUrl,
                     const LinkExclusion& exclusion,
                     const std::function<void(const PageLink&)>& onLink)
{
    const auto slash = pageUrl.rfind(u'/');
    const std::u16string_view base = slash == std::u16string_view::npos ? std::u16string_view()
                                                                        : pageUrl.substr(0, slash + 1);
    LinkScanner scanner;
    scanner.Scan(pageText, [&](std::size_t linkStart, std::size_t scanPos) {
        PageLink link{linkStart, scanPos - linkStart, {}};
        const std::u16string_view value = pageText.substr(linkStart - 1, link.length);
        if (!IsAbsoluteLink(value)) {
            link.target.url = ResolveLink(base, value);
        } else if (IsMailtoLink(value)) {
            link.target.kind = LinkTarget::Kind::SkippedScheme;
            link.target.url = value;
            link.target.detail = u"mailto";
        } else {
            link.target.url = value;
        }
        if (link.target.probed() && exclusion) {
            if (auto pattern = exclusion(link.target.url)) {
                link.target.kind = LinkTarget::Kind::Excluded;
                link.target.detail = std::move(*pattern);
            }
        }
        onLink(link);
    });
}

}  // namespace pardovane
