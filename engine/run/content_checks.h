#pragma once

#include "engine/page/heading_slugs.h"

namespace pardovane {

// What a check judges of a page beyond its <a href> and <img src> links.
struct ContentChecks {
    // Everything a browser loads or follows from the page: stylesheets and
    // the URLs in them, scripts, srcset candidates, frames, media, embedded
    // objects, a refresh's target.
    bool resources = false;
    // A link's #fragment must name an element of its target page.
    bool fragments = false;
    // Whose rules make a Markdown heading's anchor.
    HeadingSlugs::Rules slugs = HeadingSlugs::Rules::Github;
};

}  // namespace pardovane
