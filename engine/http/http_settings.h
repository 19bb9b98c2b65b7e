#pragma once

#include "engine/http/verdict_rules.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pardovane {

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
    // Empty: "Pardovane/" and the version.
    std::string userAgent;
    // Extra request headers, each "Name: value".
    std::vector<std::string> headers;
    // Which answers are good; every result is judged by them as it ends.
    VerdictRules verdict;
};

}  // namespace pardovane
