#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/fetch/network_wait.h"
#include "engine/fetch/transfer_pool.h"
#include "engine/http/http_settings.h"
#include "engine/page/local_folder.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

namespace pardovane {

// Takes queued jobs to the network, or to a local folder, and back: starts
// them as the queue and the jobs in flight allow, moves each request on
// through its redirects and retries, and hands every job that ended,
// however it ended, to done. What a job is for is its owner's business.
class FetchRunner {
public:
    using Done = std::function<void(FetchJob& job)>;

    FetchRunner(std::size_t jobs, HttpSettings settings, int maxResolving, Done done);

    FetchQueue& queue() { return queue_; }
    const FetchQueue& queue() const { return queue_; }
    // Not owned; null (the default) sleeps in curl's own poll.
    void SetNetworkWait(NetworkWait* wait) { pool_.SetNetworkWait(wait); }
    // Not owned; URLs under its base are answered from its files. Null
    // (the default): everything is requested.
    void SetLocalFolder(const LocalFolder* folder) { local_ = folder; }

    // Where the user's credentials may go from now on (HttpSettings).
    void SetCredentialOrigins(std::shared_ptr<const std::unordered_set<std::string>> origins)
    {
        settings_.credentialOrigins = std::move(origins);
    }

    // Starts what may start and moves the transfers on; when none ended,
    // waits up to sliceMs for the network. True when some job ended.
    bool Pump(long sliceMs);
    // Drops everything queued and in flight, and counts requests afresh.
    void Clear();
    // Requests sent since, each hop of a redirect and each retry one.
    std::size_t requests() const { return requests_; }

private:
    void StartQueued();
    void StartJob(const FetchJobPtr& job);
    void AnswerFromFolder(FetchJob& job) const;
    void AddToMulti(const FetchJobPtr& job);
    void HandleDone(const FetchJobPtr& job, CURLcode code);
    void FailInFlight(const char* why);

    std::size_t jobs_;
    HttpSettings settings_;
    TransferPool pool_;
    FetchQueue queue_;
    Done done_;
    const LocalFolder* local_ = nullptr;
    std::size_t requests_ = 0;
};

}  // namespace pardovane
