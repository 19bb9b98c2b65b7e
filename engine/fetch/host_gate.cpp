#include "engine/fetch/host_gate.h"

#include "engine/page/ascii.h"

#include <algorithm>

namespace pardovane {

HostGate::HostGate(int maxPerHost, int maxResolving)
    : maxPerHost_(std::max(1, maxPerHost)), maxResolving_(std::max(1, maxResolving))
{
}

namespace {

// An address written out needs no lookup.
bool IsAddress(const std::string& host)
{
    const auto start = host.find("://");
    const std::size_t at = start == std::string::npos ? 0 : start + 3;
    return at < host.size() && (host[at] == '[' || (host[at] >= '0' && host[at] <= '9'));
}

}  // namespace

HostGate::Host& HostGate::Add(const std::string& host)
{
    auto [found, added] = hosts_.try_emplace(host);
    if (added) {
        found->second.limit = maxPerHost_;
        found->second.reached = IsAddress(host);
    }
    return found->second;
}

void HostGate::Relist(Host& h)
{
    if (h.listed != Listed::No)
        ListOf(h.listed).erase(h.listedAs);
    h.listed = Listed::No;
    if (h.paused || h.waiting.empty())
        return;
    if (h.reached ? h.inFlight < h.limit : h.inFlight == 0) {
        h.listed = h.reached ? Listed::Reached : Listed::New;
        h.listedAs = h.waiting.top();
        ListOf(h.listed).emplace(h.listedAs, &h);
    }
}

void HostGate::Queue(const std::string& host, Ticket ticket)
{
    Host& h = Add(host);
    h.waiting.push(ticket);
    if (h.waiting.top() == ticket)
        Relist(h);
}

std::optional<HostGate::Ticket> HostGate::Next(Clock::time_point now)
{
    while (!pauses_.empty() && pauses_.begin()->first <= now) {
        Host& h = *pauses_.begin()->second;
        pauses_.erase(pauses_.begin());
        if (h.paused && h.pausedUntil <= now) {
            h.paused = false;
            Relist(h);
        }
    }
    StartableHosts* list = &reached_;
    if (resolving_ < maxResolving_ && !new_.empty()
        && (reached_.empty() || new_.begin()->first < reached_.begin()->first))
        list = &new_;
    if (list->empty())
        return std::nullopt;
    Host& h = *list->begin()->second;
    const Ticket ticket = h.waiting.top();
    h.waiting.pop();
    Relist(h);
    return ticket;
}

bool HostGate::MayStart(const std::string& host, Clock::time_point now) const
{
    const auto found = hosts_.find(host);
    if (found == hosts_.end())
        return IsAddress(host) || resolving_ < maxResolving_;
    const Host& h = found->second;
    if (now < h.pausedUntil)
        return false;
    if (!h.reached)
        return h.inFlight == 0 && resolving_ < maxResolving_;
    return h.inFlight < h.limit;
}

void HostGate::Started(const std::string& host)
{
    Host& h = Add(host);
    if (!h.reached && h.inFlight == 0)
        ++resolving_;
    ++h.inFlight;
    Relist(h);
}

void HostGate::Reached(const std::string& host)
{
    auto found = hosts_.find(host);
    if (found == hosts_.end() || found->second.reached)
        return;
    found->second.reached = true;
    if (found->second.inFlight > 0)
        --resolving_;
    Relist(found->second);
}

void HostGate::Finished(const std::string& host)
{
    Reached(host);
    auto found = hosts_.find(host);
    if (found == hosts_.end())
        return;
    found->second.inFlight = std::max(0, found->second.inFlight - 1);
    Relist(found->second);
}

void HostGate::Throttled(const std::string& host, Clock::time_point until)
{
    auto found = hosts_.find(host);
    if (found == hosts_.end())
        return;
    Host& h = found->second;
    // Just under what the host was handling when it refused; a burst of
    // refusals walks the limit down to what it takes.
    h.limit = std::max(1, std::min(h.limit - 1, h.inFlight - 1));
    if (until > h.pausedUntil) {
        h.pausedUntil = until;
        h.paused = true;
        pauses_.emplace(until, &h);
    }
    Relist(h);
}

std::optional<HostGate::Clock::time_point> HostGate::NextOpening(Clock::time_point now) const
{
    for (auto it = pauses_.upper_bound(now); it != pauses_.end(); ++it) {
        if (it->second->pausedUntil == it->first)
            return it->first;
    }
    return std::nullopt;
}

}  // namespace pardovane
