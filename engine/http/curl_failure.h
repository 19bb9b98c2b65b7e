#pragma once

#include "engine/http/probe_result.h"

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace pardovane {

// What a failed transfer means for a person reading the report. curl's code
// alone is too coarse: every certificate problem is one code, and a time-out
// in the name lookup is the same code as one in the connect. The handle's
// verify result and the error buffer's words tell them apart.
HttpFailure FailureFor(CURLcode code, CURL* easy, std::string_view errorText);

// curl's words for a failure without the time it took ("after 12 ms"), so
// that the same failure reads the same in every run and at every --jobs.
std::string FailureDetail(CURLcode code, std::string_view errorText);

}  // namespace pardovane
