#pragma once

#include <cstddef>

namespace pardovane {

// Limits of every HTTP transfer. The defaults suit the public web; tests
// shorten the time-outs.
struct HttpSettings {
    long connectTimeoutMs = 10'000;
    long probeTimeoutMs = 30'000;     // whole probe, redirects included
    long downloadTimeoutMs = 60'000;  // whole page download
    long maxRedirects = 10;
    std::size_t downloadCapBytes = 64u * 1024 * 1024;
    // A probe reads a body only when it is announced this small, so the
    // connection can be reused; anything else is cut off at the status.
    std::size_t probeBodyKeepBytes = 64u * 1024;
};

}  // namespace pardovane
