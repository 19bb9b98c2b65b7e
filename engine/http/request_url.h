#pragma once

#include "engine/http/probe_result.h"

#include <string>
#include <string_view>
#include <variant>

namespace pardovane {

// Turns a URL as written into what goes on the wire, or says why it may not
// be requested at all. Only http and https (any letter case) pass (file: is
// refused as a local file); control
// characters are refused. Non-ASCII text is percent-encoded as UTF-8, and so
// are the printable characters RFC 3986 never allows raw (space, '"', '<',
// '>', '\\', '^', '`', '{', '|', '}'), as browsers send them; the host goes
// out in its ASCII (punycode) form instead, or is refused when it has none.
// An existing %XX is kept as it stands.
std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url);

// The host name url is requested from, as sent and in lower case, without
// scheme, user or port: what makes two URLs one site. Empty when url is not
// requested.
std::string RequestHostName(std::u16string_view url);

// The origin url is requested on, in WireOrigin's form; empty when url is
// not requested.
std::string RequestOrigin(std::u16string_view url);

}  // namespace pardovane
