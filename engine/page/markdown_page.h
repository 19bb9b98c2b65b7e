#pragma once

#include <string_view>

namespace pardovane {

// Whether a URL's path (or a file's name) ends in .md or .markdown, in any case.
bool IsMarkdownPath(std::u16string_view url);

// Whether a downloaded text is Markdown and read as such, not as HTML: its
// type says text/markdown, or says nothing more precise than text/plain or
// an octet stream and its URL is a Markdown file's (as a repository's raw
// files are served). An HTML answer is HTML whatever its URL.
bool IsMarkdownText(std::string_view contentType, std::u16string_view url);

// The type a local folder answers a Markdown file with.
inline constexpr std::string_view kMarkdownType = "text/markdown; charset=utf-8";

}  // namespace pardovane
