#include "engine/fetch/fetch_queue.h"

#include "engine/http/request_url.h"
#include "engine/http/wire_origin.h"

#include <algorithm>
#include <chrono>

namespace pardovane {
namespace {

// A ticket is its priority in the top bits, then its order: counted up from
// the middle for work queued last, down for work put first.
constexpr int kPriorityShift = 56;
constexpr HostGate::Ticket kMiddleTicket = HostGate::Ticket{1} << (kPriorityShift - 1);

}  // namespace

FetchQueue::FetchQueue(int maxPerHost, int maxResolving)
    : maxPerHost_(maxPerHost), maxResolving_(maxResolving), gate_(maxPerHost, maxResolving),
      lastTicket_(kMiddleTicket), firstTicket_(kMiddleTicket)
{
}

void FetchQueue::Push(const FetchJobPtr& job, Priority priority, bool first)
{
    const HostGate::Ticket order = first ? --firstTicket_ : ++lastTicket_;
    arrivals_.emplace_back((HostGate::Ticket{priority} << kPriorityShift) | order, job);
}

FetchJobPtr FetchQueue::Next(HostGate::Clock::time_point now, const std::function<void(FetchJob&)>& refused)
{
    // Retries first: they were started before anything still queued.
    for (auto it = retries_.begin(); it != retries_.end(); ++it) {
        FetchJobPtr job = *it;
        if (job->request->notBefore() <= now && gate_.MayStart(job->host, now)) {
            retries_.erase(it);
            gate_.Started(job->host);
            return job;
        }
    }
    TakeArrivals(refused);
    while (const std::optional<HostGate::Ticket> ticket = gate_.Next(now)) {
        const auto found = queued_.find(*ticket);
        FetchJobPtr job = std::move(found->second);
        queued_.erase(found);
        if (job->started || job->done)
            continue;
        gate_.Started(job->host);
        return job;
    }
    return nullptr;
}

// New work learns its host and waits in the gate.
void FetchQueue::TakeArrivals(const std::function<void(FetchJob&)>& refused)
{
    while (!arrivals_.empty()) {
        auto [ticket, job] = std::move(arrivals_.front());
        arrivals_.pop_front();
        if (job->started || job->done)
            continue;
        if (job->wire.empty()) {
            auto wire = RequestUrlFor(job->url);
            if (auto* failure = std::get_if<HttpFailure>(&wire)) {
                job->started = true;
                job->probe = ProbeResult::Failed(*failure, "not requested");
                refused(*job);  // what it queues arrives behind
                continue;
            }
            job->wire = std::move(std::get<std::string>(wire));
            job->host = HostKey(job->wire);
        }
        gate_.Queue(job->host, ticket);
        queued_.emplace(ticket, std::move(job));
    }
}

long FetchQueue::WaitMs(HostGate::Clock::time_point now, long sliceMs) const
{
    auto wake = now + std::chrono::milliseconds(sliceMs);
    if (const auto opening = gate_.NextOpening(now))
        wake = std::min(wake, *opening);
    for (const FetchJobPtr& job : retries_)
        wake = std::min(wake, job->request->notBefore());
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    return std::max<long>(1, static_cast<long>(ms));
}

void FetchQueue::Clear()
{
    // The gate holds the tickets of the queued work; it goes with them.
    gate_ = HostGate(maxPerHost_, maxResolving_);
    arrivals_.clear();
    queued_.clear();
    retries_.clear();
    lastTicket_ = firstTicket_ = kMiddleTicket;
}

}  // namespace pardovane
