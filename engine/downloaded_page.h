#pragma once

#include <string>

namespace pardovane {

// A page's text with the URL it finally came from, after its redirects: the
// address a browser would show, against which its links resolve.
struct DownloadedPage {
    std::u16string text;
    std::u16string url;
};

}  // namespace pardovane
