#include "page_links.h"

#include "link_resolution.h"
#include "link_scanner.h"

namespace pardovane {

std::vector<std::u16string> ProbedUrls(std::u16string_view pageText, std::u16string_view baseUrl)
{
    std::vector<std::u16string> urls;
    LinkScanner scanner;
    scanner.Scan(pageText, [&](std::size_t linkStart, std::size_t scanPos) {
        const std::u16string_view link = pageText.substr(linkStart - 1, scanPos - linkStart);
        if (!IsAbsoluteLink(link))
            urls.push_back(ResolveLink(baseUrl, link));
        else if (!IsMailtoLink(link))
            urls.emplace_back(link);
    });
    return urls;
}

}  // namespace pardovane
