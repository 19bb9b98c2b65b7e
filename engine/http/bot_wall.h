#pragma once

#include <string_view>

namespace pardovane {

// A bot-protection service in front of a site turns an automated client
// away with an answer of its own, which says nothing of the link: a browser
// gets through. Such an answer is a bot wall's, judged "blocked" rather than
// broken (see VerdictRules::Judge).
//
// A marker is a response header the service documents as telling its
// challenge apart from the site's own answer.
struct ChallengeMarker {
    std::string_view header;  // lower case, with its colon
    std::string_view value;   // lower case, compared without case
    // The status the service documents for it besides 403, 429 and 503; 0: none.
    long status = 0;
};

// The marker a response header line is, or nullptr.
const ChallengeMarker* ChallengeMarkerIn(std::string_view headerLine);

// Whether a final answer of this status, carrying marker (nullptr: none),
// is a bot wall's: 999 with or without one, or a marker on 403, 429, 503 or
// the status its service gives it.
bool IsBotWall(long status, const ChallengeMarker* marker);

}  // namespace pardovane
