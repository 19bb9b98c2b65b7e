#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/host_gate.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pardovane {

// The work not on the network, in the order it should go there: by priority,
// then as it came (or first of all, for what the run waits on), each host
// within what HostGate allows it, and a retry once it is due. A pass costs
// what it starts, not what waits behind busy hosts.
class FetchQueue {
public:
    // Served in this order. What the run waits for, and the listed pages
    // ahead, come first: every page fetched early unlocks its links.
    enum Priority { kCritical, kCurrentPage, kLaterPages };

    FetchQueue(int maxPerHost, int maxResolving);

    HostGate& gate() { return gate_; }
    const HostGate& gate() const { return gate_; }
    std::size_t size() const { return arrivals_.size() + queued_.size(); }

    // A job queued again leaves its earlier place behind, skipped once the
    // job has started.
    void Push(const FetchJobPtr& job, Priority priority, bool first = false);
    // Off the network until its request's notBefore.
    void Retry(const FetchJobPtr& job) { retries_.push_back(job); }
    // The next job that may start now, retries first, counted as started
    // with the gate; null when none may. A job whose URL may not be
    // requested is handed to refused instead, marked started.
    FetchJobPtr Next(HostGate::Clock::time_point now, const std::function<void(FetchJob&)>& refused);
    // How long a wait may last: until the first retry or paused host is
    // due, within sliceMs, and at least a millisecond.
    long WaitMs(HostGate::Clock::time_point now, long sliceMs) const;
    void Clear();

private:
    void TakeArrivals(const std::function<void(FetchJob&)>& refused);

    int maxPerHost_;
    int maxResolving_;
    HostGate gate_;
    // In arrival until its host is known, then waiting in the gate under its ticket.
    std::deque<std::pair<HostGate::Ticket, FetchJobPtr>> arrivals_;
    std::unordered_map<HostGate::Ticket, FetchJobPtr> queued_;
    HostGate::Ticket lastTicket_;
    HostGate::Ticket firstTicket_;
    std::vector<FetchJobPtr> retries_;
};

}  // namespace pardovane
