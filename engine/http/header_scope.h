#pragma once

#include "engine/http/curl_handles.h"
#include "engine/http/http_settings.h"

#include <string>
#include <string_view>

namespace pardovane {

// Which of the user's request headers go with one request. A header that
// carries credentials (Authorization, Proxy-Authorization, Cookie, or one
// the user names) goes only to the origins the run's own pages are on, and
// a header given for one origin only to that origin; neither goes on once a
// redirect chain has left the origin it began on, since the site that sends
// the chain on chooses where it leads, back again included. Every other
// header goes everywhere.

// Whether the header line carries credentials under settings.
bool IsCredentialHeader(std::string_view header, const HttpSettings& settings);

// Whether the headers a request carries depend on where it goes.
bool HeadersDependOnOrigin(const HttpSettings& settings);

// The headers of a request to origin (WireOrigin's form); stayed: its chain
// has not left the origin it began on. Null when there are none.
CurlSlist HeaderListFor(const HttpSettings& settings, std::string_view origin, bool stayed);

}  // namespace pardovane
