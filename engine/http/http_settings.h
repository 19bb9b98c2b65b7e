#pragma once

#include "engine/http/verdict_rules.h"
#include "engine/version.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace pardovane {

// What a request says it is, unless the user names another.
inline constexpr const char* kDefaultUserAgent = "Pardovane/" PARDOVANE_VERSION;

// A request header for one origin alone (WireOrigin's form).
struct OriginHeader {
    std::string origin;
    std::string header;  // "Name: value"
};

// Limits of every HTTP transfer. The defaults suit the public web; tests
// shorten the time-outs.
struct HttpSettings {
    long connectTimeoutMs = 10'000;
    long probeTimeoutMs = 30'000;     // whole probe, redirects included
    long downloadTimeoutMs = 60'000;  // whole page download
    long maxRedirects = 10;
    std::size_t downloadCapBytes = std::size_t{64} * 1024 * 1024;
    // A probe reads a body only when it is announced this small, so the
    // connection can be reused; anything else is cut off at the status.
    std::size_t probeBodyKeepBytes = std::size_t{64} * 1024;

    // Retries of a URL after 429, 503, 408 or a connection lost before any status.
    int maxRetries = 2;
    // First wait before a retry the server gave no Retry-After for; doubles.
    long retryDelayMs = 1'000;
    // Requests in flight to one host at once, under the run's jobs; lowered
    // for the rest of the run for a host that answers 429 or drops
    // connections. Between lychee's 10 and linkinator's 100: one host's
    // share of a site's links is checked about as fast as linkinator does,
    // and many hosts keep all jobs busy (see bench/e2e.py).
    int maxPerHost = 32;
    // Skip certificate verification (command line only).
    bool insecure = false;
    // Trusted authorities; empty: the system's. See WithCaEnvironment.
    std::string caFile;
    std::string caDir;
    // Empty: kDefaultUserAgent.
    std::string userAgent;
    // Extra request headers, each "Name: value". Those that carry
    // credentials go only to credentialOrigins (see header_scope.h).
    std::vector<std::string> headers;
    // Header names beyond Authorization, Proxy-Authorization and Cookie
    // whose values are secrets.
    std::vector<std::string> credentialHeaders;
    std::vector<OriginHeader> originHeaders;
    // The origins of the run's own pages, in WireOrigin's form; null: none.
    // Shared, as every request holds these settings.
    std::shared_ptr<const std::unordered_set<std::string>> credentialOrigins;
    // Which answers are good; every result is judged by them as it ends.
    VerdictRules verdict;
};

}  // namespace pardovane
