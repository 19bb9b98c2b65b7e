#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/host_gate.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pardovane {

// What a host may need before the rest of its work goes: one request of its
// own, whose answer decides how the others are sent (see FetchQueue::SetOpening).
class HostOpening {
public:
    virtual ~HostOpening() = default;
    // The request to send host before any other, as job is the first of its
    // work to come; null when job needs none, and the host is asked again
    // with its next job.
    virtual FetchJobPtr Open(const std::string& host, const FetchJob& job) = 0;
    // A job on its way to the network, of a host opened or not.
    virtual void Ready(FetchJob& job) = 0;
};

// The work not on the network, in the order it should go there: by priority,
// then as it came (or first of all, for what the run waits on), each host
// within what HostGate allows it, and a retry once it is due. A pass costs
// what it starts, not what waits behind busy hosts.
class FetchQueue {
public:
    // Served in this order. What the run waits for, and the listed pages
    // ahead, come first: every page fetched early unlocks its links. A
    // second look goes when nothing else may.
    enum Priority { kCritical, kCurrentPage, kLaterPages, kSecondLook };

    FetchQueue(int maxPerHost, int maxResolving);

    HostGate& gate() { return gate_; }
    const HostGate& gate() const { return gate_; }
    std::size_t size() const { return arrivals_.size() + queued_.size() + heldCount_ + later_.size(); }
    // Not owned; null (the default) opens no host. With one, a host's first
    // job brings its opening request, which goes first, and the host's
    // other work waits until Release(host).
    void SetOpening(HostOpening* opening) { opening_ = opening; }
    // The host's opening request ended: its work goes on as queued.
    void Release(const std::string& host);

    // A job queued again leaves its earlier place behind, skipped once the
    // job has started, also when it is queued afresh for a second look. One
    // with a notBefore still ahead waits until then.
    void Push(const FetchJobPtr& job, Priority priority, bool first = false);
    // Off the network until its request's notBefore.
    void Retry(const FetchJobPtr& job) { retries_.push_back(job); }
    // The next job that may start now, retries first, counted as started
    // with the gate; null when none may. A job whose URL may not be
    // requested is handed to refused instead, marked started.
    FetchJobPtr Next(HostGate::Clock::time_point now, const std::function<void(FetchJob&)>& refused);
    // How long a wait may last: until the first retry, paused host or job
    // not before its time is due, within sliceMs, and at least a millisecond.
    long WaitMs(HostGate::Clock::time_point now, long sliceMs) const;
    void Clear();

private:
    // A job's place in line, under its ticket, whose lowest bit says
    // whether the job was queued for its second look: a long page queues
    // millions, so a flag of its own would cost a third more.
    struct Entry {
        HostGate::Ticket ticket;
        FetchJobPtr job;

        bool Stale() const { return job->started() || (ticket & 1) != HostGate::Ticket{job->secondLook}; }
    };
    void TakeArrivals(HostGate::Clock::time_point now, const std::function<void(FetchJob&)>& refused);
    // Whether job waits for its host's opening, which it may start.
    bool Held(const FetchJob& job);

    int maxPerHost_;
    int maxResolving_;
    HostGate gate_;
    // In arrival until its host is known, then waiting in the gate under its ticket.
    std::deque<Entry> arrivals_;
    std::unordered_map<HostGate::Ticket, Entry> queued_;
    HostGate::Ticket lastTicket_;
    HostGate::Ticket firstTicket_;
    std::vector<FetchJobPtr> retries_;
    HostOpening* opening_ = nullptr;
    std::unordered_set<std::string> opened_;
    // The work of hosts whose opening is still out, under its tickets.
    std::unordered_map<std::string, std::vector<Entry>> held_;
    std::size_t heldCount_ = 0;
    std::multimap<HostGate::Clock::time_point, Entry> later_;  // by notBefore
};

}  // namespace pardovane
