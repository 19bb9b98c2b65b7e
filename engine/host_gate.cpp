#include "engine/host_gate.h"

#include "engine/ascii.h"

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
}

void HostGate::Reached(const std::string& host)
{
    auto found = hosts_.find(host);
    if (found == hosts_.end() || found->second.reached)
        return;
    found->second.reached = true;
    if (found->second.inFlight > 0)
        --resolving_;
}

void HostGate::Finished(const std::string& host)
{
    Reached(host);
    auto found = hosts_.find(host);
    if (found != hosts_.end())
        found->second.inFlight = std::max(0, found->second.inFlight - 1);
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
    h.pausedUntil = std::max(h.pausedUntil, until);
}

std::optional<HostGate::Clock::time_point> HostGate::NextOpening(Clock::time_point now) const
{
    std::optional<Clock::time_point> next;
    for (const auto& [key, h] : hosts_) {
        if (h.pausedUntil > now && (!next || h.pausedUntil < *next))
            next = h.pausedUntil;
    }
    return next;
}

std::string HostKey(std::string_view url)
{
    std::size_t end = url.find("://");
    end = end == std::string_view::npos ? 0 : end + 3;
    end = url.find_first_of("/?#", end);
    std::string key(url.substr(0, end));
    std::transform(key.begin(), key.end(), key.begin(), [](char c) { return AsciiLower(c); });
    return key;
}

}  // namespace pardovane
