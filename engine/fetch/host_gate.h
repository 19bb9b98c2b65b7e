#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pardovane {

// Politeness towards each host, under the run's jobs in all:
// - at most a few requests in flight to one host, and fewer for the rest of
//   the run once it resets connections or says it is overloaded;
// - no request to a host it has asked to wait;
// - a host not yet reached gets one request, whose name lookup fills the
//   cache for the rest, and only a few such hosts are looked up at once,
//   so a resolver that drops bursts of queries is not flooded.
//
// Requests may wait here by host, each under a ticket; Next hands out the
// lowest ticket among the hosts that may start one, so a pass costs what it
// starts, not what waits behind busy hosts.
class HostGate {
public:
    using Clock = std::chrono::steady_clock;
    using Ticket = std::uint64_t;

    HostGate(int maxPerHost, int maxResolving);
    // The waiting lists point into the host table, which a move keeps.
    HostGate(const HostGate&) = delete;
    HostGate& operator=(const HostGate&) = delete;
    HostGate(HostGate&&) = default;
    HostGate& operator=(HostGate&&) = default;

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

    // A request to host waits under ticket.
    void Queue(const std::string& host, Ticket ticket);
    // The lowest waiting ticket whose host may start a request now, taken
    // out; the caller starts it (Started) or drops it.
    std::optional<Ticket> Next(Clock::time_point now);

private:
    enum class Listed { No, Reached, New };
    struct Host {
        int inFlight = 0;
        int limit = 0;
        bool reached = false;  // a request to it has ended: its name is known
        Clock::time_point pausedUntil;
        bool paused = false;  // until a Next at or after pausedUntil
        std::priority_queue<Ticket, std::vector<Ticket>, std::greater<>> waiting;
        Listed listed = Listed::No;  // in which list of startable hosts, under which ticket
        Ticket listedAs = 0;
    };
    using StartableHosts = std::map<Ticket, Host*>;

    Host& Add(const std::string& host);
    // Lists the host, under its first ticket, where it belongs now.
    void Relist(Host& h);
    StartableHosts& ListOf(Listed listed) { return listed == Listed::Reached ? reached_ : new_; }

    int maxPerHost_;
    int maxResolving_;
    int resolving_ = 0;  // hosts not yet reached with a request in flight
    std::unordered_map<std::string, Host> hosts_;
    // Hosts with waiting requests that they may start: reached ones, and new
    // ones that may once fewer than maxResolving_ names are being looked up.
    StartableHosts reached_;
    StartableHosts new_;
    // Pauses by their end; one whose host was paused again since is skipped.
    std::multimap<Clock::time_point, Host*> pauses_;
};

}  // namespace pardovane
