#pragma once

#include <string>

namespace pardovane {

// url with the non-ASCII text of its query percent-encoded in the bytes of
// charset (an iconv name), as browsers send the queries of a page in a
// legacy encoding: "?q=日本" on a Shift_JIS page is "?q=%93%FA%96%7B". A
// character the charset lacks goes as "&#N;", also percent-encoded. For
// UTF-8 and UTF-16 pages, or no charset, url is returned as it is: its
// query goes out in UTF-8 with the rest.
std::u16string EncodeQueryIn(std::u16string url, const std::string& charset);

}  // namespace pardovane
