#include "engine/http/verdict_rules.h"

namespace pardovane {

void VerdictRules::Judge(ProbeResult& result) const
{
    result.accepted = result.failure == HttpFailure::None && accepted.Contains(result.status);
    result.warned = false;
    if (!result.accepted || !result.movedPermanently())
        return;
    if (redirects == RedirectPolicy::Warn) {
        result.warned = true;
    } else if (redirects == RedirectPolicy::Error) {
        result.failure = HttpFailure::PermanentRedirect;
        result.accepted = false;
    }
}

}  // namespace pardovane
