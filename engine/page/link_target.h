#pragma once

#include <string>

namespace pardovane {

// What one link of a page asks of the run.
struct LinkTarget {
    enum class Kind {
        Probe,          // request url
        SkippedScheme,  // any but http:, https: and file:; detail is the scheme
        Excluded,       // the user's pattern in detail matched url
    };
    Kind kind = Kind::Probe;
    // The resolved URL without its fragment, as requested and as the verdict
    // cache knows it; for a skipped scheme, the link as resolved.
    std::u16string url;
    std::u16string detail;
    // What followed the "#", when the link had one: the place in the page.
    bool hasFragment = false;
    std::u16string fragment = {};

    bool probed() const { return kind == Kind::Probe; }
};

}  // namespace pardovane
