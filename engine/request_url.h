#pragma once

#include "probe_result.h"

#include <string>
#include <string_view>
#include <variant>

namespace pardovane {

// Turns a URL as written into what goes on the wire, or says why it may not
// be requested at all. Only http and https (any letter case) pass; control
// characters are refused. Non-ASCII text and spaces are percent-encoded as
// UTF-8 the way browsers send them, except in the host, which goes out in its
// ASCII (punycode) form, or is refused when it has none. An existing %XX is
// kept as it stands.
std::variant<std::string, HttpFailure> RequestUrlFor(std::u16string_view url);

}  // namespace pardovane
