#include "engine/http/bot_wall.h"

#include "engine/page/ascii.h"

#include <algorithm>

namespace pardovane {
namespace {

// Only markers a service documents itself, each beside where it says so:
// a guess (a Server header, a cookie's name, words in the body) would call
// a site's own refusal a wall.
constexpr ChallengeMarker kMarkers[] = {
    // Cloudflare, "Detect a Challenge Page response" (developers.cloudflare.com/
    // cloudflare-challenges/challenge-types/challenge-pages/detect-response/):
    // every Challenge Page carries it, and "challenge" is its only value. Its
    // "Error page types" (developers.cloudflare.com/rules/custom-errors/
    // reference/error-page-types/) gives challenges 403.
    {"cf-mitigated:", "challenge", 0},
    // AWS WAF, "CAPTCHA and Challenge action behavior" (docs.aws.amazon.com/
    // waf/latest/developerguide/waf-captcha-and-challenge-actions.html): a
    // Challenge answers 202 with this header, a CAPTCHA 405.
    {"x-amzn-waf-action:", "challenge", 202},
    {"x-amzn-waf-action:", "captcha", 405},
};

// Not an HTTP status: what LinkedIn answers automated clients with.
constexpr long kBotWallStatus = 999;

}  // namespace

const ChallengeMarker* ChallengeMarkerIn(std::string_view headerLine)
{
    for (const ChallengeMarker& marker : kMarkers) {
        if (!StartsWithNoCase(headerLine, marker.header))
            continue;
        // The value, blanks around it and the line end aside.
        std::string_view value = headerLine.substr(marker.header.size());
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        if (StartsWithNoCase(value, marker.value)
            && value.find_first_not_of(" \t\r\n", marker.value.size()) == std::string_view::npos)
            return &marker;
    }
    return nullptr;
}

bool IsBotWall(long status, const ChallengeMarker* marker)
{
    if (status == kBotWallStatus)
        return true;
    return marker && (status == 403 || status == 429 || status == 503 || status == marker->status);
}

}  // namespace pardovane
