#pragma once

#include "engine/http/probe_result.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace pardovane {

// A rate-limited or briefly overloaded server is not a broken link: 429, 503
// and 408, and a connection lost before any status, are asked again. Nothing
// else is, so a real failure costs no extra time; nor is a bot wall's 429 or
// 503 (botWall, see IsBotWall), which answers the same however often asked.
bool IsRetried(long status, HttpFailure failure, bool botWall = false);

// What a server busy or briefly out of reach answers, which a later try, well
// after the retries, may not meet again: a time-out, a connection lost or
// reset, nothing at all, or a 5xx status the user does not accept.
bool MayPassLater(const ProbeResult& answer);

// How long to wait before retry number `attempt` (0 for the first). The
// server's Retry-After (seconds or an HTTP date) wins over our own doubling
// backoff from `baseDelay`; either is capped at a minute.
std::chrono::milliseconds RetryDelay(std::string_view retryAfter, int attempt,
                                     std::chrono::milliseconds baseDelay);

}  // namespace pardovane
