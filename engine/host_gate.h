#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pardovane {

// Politeness towards each host, under the run's jobs in all:
// - at most a few requests in flight to one host, and fewer for the rest of
//   the run once it resets connections or says it is overloaded;
// - no request to a host it has asked to wait;
// - a host not yet reached gets one request, whose name lookup fills the
//   cache for the rest, and only a few such hosts are looked up at once,
//   so a resolver that drops bursts of queries is not flooded.
class HostGate {
public:
    using Clock = std::chrono::steady_clock;

    HostGate(int maxPerHost, int maxResolving);

    bool MayStart(const std::string& host, Clock::time_point now) const;
    void Started(const std::string& host);
    // The request ended, or left the network to wait for a retry.
    void Finished(const std::string& host);
    // A request to it connected: its name is in the cache.
    void Reached(const std::string& host);
    // The host refused a request for being busy; nothing goes to it before `until`.
    void Throttled(const std::string& host, Clock::time_point until);
    // When a paused host opens again, if one is paused.
    std::optional<Clock::time_point> NextOpening(Clock::time_point now) const;

private:
    struct Host {
        int inFlight = 0;
        int limit = 0;
        bool reached = false;  // a request to it has ended: its name is known
        Clock::time_point pausedUntil;
    };

    Host& Add(const std::string& host);

    int maxPerHost_;
    int maxResolving_;
    int resolving_ = 0;  // hosts not yet reached with a request in flight
    std::unordered_map<std::string, Host> hosts_;
};

// The part of a wire-form URL that names its server: scheme, host and port,
// lower-cased.
std::string HostKey(std::string_view url);

}  // namespace pardovane
