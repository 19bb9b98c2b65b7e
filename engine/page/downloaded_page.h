#pragma once

#include <string>

namespace pardovane {

// A page's text with the URL it finally came from, after its redirects: the
// address a browser would show, against which its links resolve; and the
// charset (an iconv name) the text was decoded from, in which the queries of
// its links are sent. Empty for text that had no bytes: as UTF-8. A
// Markdown text (see IsMarkdownText) is read as Markdown.
struct DownloadedPage {
    std::u16string text;
    std::u16string url;
    std::string charset;
    bool markdown = false;
};

}  // namespace pardovane
