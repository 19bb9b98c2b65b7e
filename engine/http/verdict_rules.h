#pragma once

#include "engine/http/probe_result.h"
#include "engine/http/status_ranges.h"

namespace pardovane {

// What a permanent redirect (301, 308) on the way to a good answer makes of
// a URL: nothing, a warning that its links should be updated, or broken.
// Temporary redirects are what a site means to keep, so they count as the
// answer they lead to.
enum class RedirectPolicy { Ok, Warn, Error };

// The user's rules for which answers are good.
struct VerdictRules {
    StatusRanges accepted;
    RedirectPolicy redirects = RedirectPolicy::Ok;

    // Judges what result says of the network under these rules: sets
    // accepted and warning, and under RedirectPolicy::Error fails an
    // accepted answer that came through a permanent redirect. A bot wall's
    // answer whose status is not accepted is good with a warning, above the
    // rule that 400 or more is bad.
    void Judge(ProbeResult& result) const;
};

}  // namespace pardovane
