#pragma once

#include "engine/page/link_exclusion.h"
#include "engine/page/link_scanner.h"
#include "engine/page/link_target.h"
#include "engine/page/text_place.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pardovane {

// One link occurrence of a page: its value as written, at the 1-based
// position start of the page text, and what the run does with it.
struct PageLink {
    std::size_t start = 0;
    std::size_t length = 0;
    LinkTarget target;
    LinkScanner::Element element = LinkScanner::Element::Anchor;
    // The link as written when that is no span of the page: a URL in a
    // style attribute whose character references had to be decoded first.
    // Empty otherwise.
    std::u16string written = {};
    // A stylesheet (a <link rel=stylesheet> or an @import), whose own links
    // are the page's too.
    bool stylesheet = false;
    // Where it is written, for a link kept without the text it was found in
    // (a stylesheet's); not known otherwise, as start says it.
    TextPlace place = {};
};

// How a page's text is written: as HTML, or as Markdown (GitHub's), whose
// raw HTML is read as HTML.
enum class PageFormat { Html, Markdown };

// The one rule that decides which URL each link of a page probes, used by the
// run and by whatever fetches ahead of it. Links come in page order, repeats
// included; pageUrl is where the page finally came from, charset what its
// text was decoded from (see TargetOfLink). With resources, also what a
// browser loads from the page (see LinkScanner): each srcset candidate, a
// refresh's URL and each url() or @import of its CSS come as links of their
// own. A Markdown page's links are its links and images (each written as its
// destination, at the "[" or "<" that starts it) and those of its raw HTML,
// resolved as GitHub renders them (see MarkdownSource). It changes nothing.
void ForEachPageLink(std::u16string_view pageText, std::u16string_view pageUrl, const std::string& charset,
                     const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink,
                     bool resources = false, PageFormat format = PageFormat::Html);

// Stylesheets imported within stylesheets that are followed, as deep as a
// browser would go and no deeper.
inline constexpr int kMostSheetDepth = 16;

// The links of a stylesheet: each url() and @import, resolved against
// sheetUrl, where it came from.
void ForEachSheetLink(std::u16string_view sheetText, std::u16string_view sheetUrl,
                      const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink);

}  // namespace pardovane
