#include "engine/fetch/fetch_queue.h"

#include "engine/http/request_url.h"
#include "engine/http/wire_origin.h"

#include <algorithm>
#include <chrono>

namespace pardovane {
namespace {

// A ticket is its priority in the top bits, then its order: counted up from
// the middle for work queued last, down for work put first, in steps of two
// (see Entry).
constexpr int kPriorityShift = 56;
constexpr HostGate::Ticket kMiddleTicket = HostGate::Ticket{1} << (kPriorityShift - 1);
constexpr HostGate::Ticket kOrderStep = 2;

}  // namespace

FetchQueue::FetchQueue(int maxPerHost, int maxResolving)
    : maxPerHost_(maxPerHost), maxResolving_(maxResolving), gate_(maxPerHost, maxResolving),
      lastTicket_(kMiddleTicket), firstTicket_(kMiddleTicket)
{
}

void FetchQueue::Push(const FetchJobPtr& job, Priority priority, bool first)
{
    const HostGate::Ticket order = first ? (firstTicket_ -= kOrderStep) : (lastTicket_ += kOrderStep);
    arrivals_.push_back({(HostGate::Ticket{priority} << kPriorityShift) | order | job->secondLook, job});
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
    TakeArrivals(now, refused);
    while (const std::optional<HostGate::Ticket> ticket = gate_.Next(now)) {
        const auto found = queued_.find(*ticket);
        Entry entry = std::move(found->second);
        queued_.erase(found);
        if (entry.Stale())
            continue;
        FetchJobPtr job = std::move(entry.job);
        gate_.Started(job->host);
        if (opening_)
            opening_->Ready(*job);
        return job;
    }
    return nullptr;
}

// New work learns its host and waits in the gate, or for its time or its
// host's opening.
void FetchQueue::TakeArrivals(HostGate::Clock::time_point now, const std::function<void(FetchJob&)>& refused)
{
    for (auto due = later_.begin(); due != later_.end() && due->first <= now; due = later_.erase(due))
        arrivals_.push_back(std::move(due->second));
    while (!arrivals_.empty()) {
        Entry entry = std::move(arrivals_.front());
        arrivals_.pop_front();
        if (entry.Stale())
            continue;
        FetchJob* job = entry.job.get();
        if (job->wire.empty()) {
            auto wire = RequestUrlFor(job->url);
            if (auto* failure = std::get_if<HttpFailure>(&wire)) {
                job->MoveTo(JobState::Sent);
                job->probe = ProbeResult::Failed(*failure, "not requested");
                refused(*job);  // what it queues arrives behind
                continue;
            }
            job->wire = std::move(std::get<std::string>(wire));
            job->host = HostKey(job->wire);
        }
        if (job->notBefore > now) {
            later_.emplace(job->notBefore, std::move(entry));
        } else if (Held(*job)) {
            held_[job->host].push_back(std::move(entry));
            ++heldCount_;
        } else {
            gate_.Queue(job->host, entry.ticket);
            queued_.emplace(entry.ticket, std::move(entry));
        }
    }
}

bool FetchQueue::Held(const FetchJob& job)
{
    if (!opening_)
        return false;
    if (opened_.contains(job.host))
        return held_.contains(job.host);
    FetchJobPtr first = opening_->Open(job.host, job);
    if (!first)
        return false;
    opened_.insert(job.host);
    held_[job.host];
    const HostGate::Ticket ticket = (HostGate::Ticket{kCritical} << kPriorityShift) | (firstTicket_ -= kOrderStep);
    gate_.Queue(first->host, ticket);
    queued_.emplace(ticket, Entry{ticket, std::move(first)});
    return true;
}

void FetchQueue::Release(const std::string& host)
{
    const auto found = held_.find(host);
    if (found == held_.end())
        return;
    for (Entry& entry : found->second) {
        gate_.Queue(host, entry.ticket);
        queued_.emplace(entry.ticket, std::move(entry));
    }
    heldCount_ -= found->second.size();
    held_.erase(found);
}

long FetchQueue::WaitMs(HostGate::Clock::time_point now, long sliceMs) const
{
    auto wake = now + std::chrono::milliseconds(sliceMs);
    if (const auto opening = gate_.NextOpening(now))
        wake = std::min(wake, *opening);
    for (const FetchJobPtr& job : retries_)
        wake = std::min(wake, job->request->notBefore());
    if (!later_.empty())
        wake = std::min(wake, later_.begin()->first);
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
    opened_.clear();
    held_.clear();
    heldCount_ = 0;
    later_.clear();
    lastTicket_ = firstTicket_ = kMiddleTicket;
}

}  // namespace pardovane
