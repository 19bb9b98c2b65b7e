#pragma once

#include "engine/page/link_exclusion.h"
#include "engine/page/link_scanner.h"
#include "engine/page/link_target.h"

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
};

// The one rule that decides which URL each link of a page probes, used by the
// run and by whatever fetches ahead of it. Links come in page order, repeats
// included; pageUrl is where the page finally came from, charset what its
// text was decoded from (see TargetOfLink). It changes nothing.
void ForEachPageLink(std::u16string_view pageText, std::u16string_view pageUrl, const std::string& charset,
                     const LinkExclusion& exclusion, const std::function<void(const PageLink&)>& onLink);

}  // namespace pardovane
