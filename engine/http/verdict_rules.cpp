#include "engine/http/verdict_rules.h"

namespace pardovane {

void VerdictRules::Judge(ProbeResult& result) const
{
    const bool answered = result.failure == HttpFailure::None;
    result.accepted = answered && accepted.Contains(result.status);
    result.warning = ProbeWarning::None;
    // What the user accepts decides first. Otherwise a bot wall turned the
    // checker away, not a browser, and says nothing of the link.
    if (!result.accepted && answered && result.botWall) {
        result.accepted = true;
        result.warning = ProbeWarning::BotWall;
    }
    if (!result.accepted || !result.movedPermanently())
        return;
    if (redirects == RedirectPolicy::Warn) {
        if (result.warning == ProbeWarning::None)
            result.warning = ProbeWarning::PermanentRedirect;
    } else if (redirects == RedirectPolicy::Error) {
        result.failure = HttpFailure::PermanentRedirect;
        result.accepted = false;
        result.warning = ProbeWarning::None;
    }
}

}  // namespace pardovane
