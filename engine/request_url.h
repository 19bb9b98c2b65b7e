#pragma once

#include "engine/probe_result.h"

#include <string>
#include <string_view>
#include <variant>

namespace pardovane {

// Turns a URL as written into what goes on the wire, or says why it may not
// be requested at all. Only http and https (any letter case) pass; control
// characters are refused. Non-ASCII text is percent-encoded as UTF-8, and so
// are the printable characters RFC 3986 never allows raw (space, '"', '<',
// '>', '\\', '^', '`', '{', '|', '}'), as browsers send them; the host goes
// out in its ASCII (punycode) form instead, or is refused when it has none.
// An existing %XX is kept as it stands.
std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url);

// url with the non-ASCII text of its query percent-encoded in the bytes of
// charset (an iconv name), as browsers send the queries of a page in a
// legacy encoding: "?q=日本" on a Shift_JIS page is "?q=%93%FA%96%7B". A
// character the charset lacks goes as "&#N;", also percent-encoded. For
// UTF-8 and UTF-16 pages, or no charset, url is returned as it is: its
// query goes out in UTF-8 with the rest.
std::u16string EncodeQueryIn(std::u16string url, const std::string& charset);

}  // namespace pardovane
