#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/network_wait.h"
#include "engine/http/curl_handles.h"

#include <functional>
#include <unordered_map>
#include <vector>

namespace pardovane {

// The transfers on the network: one curl multi handle and the jobs whose
// requests are in it. It moves them on and waits for them; what a finished
// transfer means is its caller's business.
class TransferPool {
public:
    TransferPool(std::size_t maxConnections, int maxPerHost);
    ~TransferPool();
    TransferPool(const TransferPool&) = delete;
    TransferPool& operator=(const TransferPool&) = delete;

    // False when curl gave no multi handle or refused its limits: no
    // transfer can go then.
    bool usable() const { return multi_ != nullptr; }
    std::size_t size() const { return inFlight_.size(); }
    // Not owned; null (the default) sleeps in curl's own poll.
    void SetNetworkWait(NetworkWait* wait) { wait_ = wait; }

    // Puts the job's request on the network; on a refusal nothing is held.
    CURLMcode Add(const FetchJobPtr& job);
    // Moves every transfer on as far as it can go without waiting.
    CURLMcode Perform();
    void ForEach(const std::function<void(FetchJob&)>& visit) const;
    // Hands each transfer that ended, already out of the pool, to ended;
    // false when none had.
    bool TakeEnded(const std::function<void(FetchJobPtr job, CURLcode code)>& ended);
    // Returns once a transfer may move on, or after at most timeoutMs.
    CURLMcode Wait(long timeoutMs);
    // Everything in flight, taken off the network.
    std::vector<FetchJobPtr> TakeAll();

private:
    CurlMulti multi_;
    NetworkWait* wait_ = nullptr;
    std::unordered_map<CURL*, FetchJobPtr> inFlight_;
};

}  // namespace pardovane
