#pragma once

#include "engine/page/downloaded_page.h"

#include <string>
#include <string_view>

namespace pardovane {

// The charset a page's bytes are read in: a byte-order mark, else the
// Content-Type header's charset, else a meta charset near the start, else, for
// undeclared pages (Japanese pages often declare nothing): ISO-2022-JP when
// seven-bit text holds its escapes, UTF-8 when the bytes are valid UTF-8,
// EUC-JP when they are valid EUC-JP, else Windows-31J. The result is a name
// iconv knows, or "UTF-8".
std::string DetectPageCharset(std::string_view body, std::string_view contentType);

// Whether a Content-Type names HTML (text/html or application/xhtml+xml),
// whatever its parameters: what a crawl reads as a page.
bool IsHtmlType(std::string_view contentType);

// Decodes a page body; undecodable bytes become U+FFFD.
std::u16string DecodePageText(std::string_view body, std::string_view contentType);

// A downloaded page as the run reads it: its text, the URL it finally came
// from (in wire form) and the charset it was read in.
DownloadedPage DecodePage(std::string_view body, std::string_view contentType, std::string_view finalUrl);

}  // namespace pardovane
