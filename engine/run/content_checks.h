#pragma once

namespace pardovane {

// What a check judges of a page beyond its <a href> and <img src> links.
struct ContentChecks {
    // Everything a browser loads or follows from the page: stylesheets and
    // the URLs in them, scripts, srcset candidates, frames, media, embedded
    // objects, a refresh's target.
    bool resources = false;
    // A link's #fragment must name an element of its target page.
    bool fragments = false;
};

}  // namespace pardovane
