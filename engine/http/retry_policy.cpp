#include "engine/http/retry_policy.h"

#include "engine/page/ascii.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>

namespace pardovane {
namespace {

constexpr std::chrono::milliseconds kLongestWait{60'000};

std::optional<std::chrono::milliseconds> ServerWait(std::string_view retryAfter)
{
    const std::string_view text = AsciiTrimmed(retryAfter);
    if (text.empty())
        return std::nullopt;
    long long seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc{} && end == text.data() + text.size())
        return std::chrono::seconds(std::max(0LL, std::min(seconds, 3600LL)));
    const time_t when = curl_getdate(std::string(text).c_str(), nullptr);
    if (when < 0)
        return std::nullopt;
    return std::chrono::seconds(std::max<long long>(0, when - std::time(nullptr)));
}

// The connection went before a whole answer came.
bool ConnectionDropped(HttpFailure failure)
{
    return failure == HttpFailure::GotNothing || failure == HttpFailure::SendFailed
        || failure == HttpFailure::ReceiveFailed;
}

}  // namespace

bool IsRetried(long status, HttpFailure failure, bool botWall)
{
    if (failure == HttpFailure::None)
        return !botWall && (status == 429 || status == 503 || status == 408);
    return ConnectionDropped(failure);
}

bool MayPassLater(const ProbeResult& answer)
{
    if (answer.failure == HttpFailure::None)
        return !answer.accepted && answer.status >= 500 && answer.status <= 599;
    return ConnectionDropped(answer.failure) || answer.failure == HttpFailure::Timeout
        || answer.failure == HttpFailure::NameLookupTimeout;
}

std::chrono::milliseconds RetryDelay(std::string_view retryAfter, int attempt,
                                     std::chrono::milliseconds baseDelay)
{
    std::chrono::milliseconds wait = baseDelay * (1LL << std::min(attempt, 10));
    if (auto server = ServerWait(retryAfter))
        wait = *server;
    return std::min(wait, kLongestWait);
}

}  // namespace pardovane
