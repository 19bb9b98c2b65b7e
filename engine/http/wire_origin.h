#pragma once

#include <string>
#include <string_view>

namespace pardovane {

// The origin a request in wire form (RequestUrlFor) goes to: scheme, host
// and port, lower-cased, the port always written, so "HTTP://Example.org/"
// and "http://example.org:80/x" are both "http://example.org:80". User
// information never counts. Empty for anything but http(s) with a host.
std::string WireOrigin(std::string_view wireUrl);

// The part of a wire-form URL that names its server: scheme, host and port,
// lower-cased.
std::string HostKey(std::string_view url);

}  // namespace pardovane
