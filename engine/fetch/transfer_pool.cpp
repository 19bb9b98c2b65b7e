#include "engine/fetch/transfer_pool.h"

#include <algorithm>

namespace pardovane {

TransferPool::TransferPool(std::size_t maxConnections, int maxPerHost)
{
    EnsureCurlGlobalInit();
    multi_.reset(curl_multi_init());
    // The caller keeps the per-host count; the pool only needs to fit it. A
    // multi handle that takes no limits is of no use.
    if (multi_
        && (curl_multi_setopt(multi_.get(), CURLMOPT_MAX_HOST_CONNECTIONS,
                              static_cast<long>(std::max(1, maxPerHost)))
                != CURLM_OK
            || curl_multi_setopt(multi_.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS,
                                 static_cast<long>(maxConnections))
                != CURLM_OK))
        multi_.reset();
}

TransferPool::~TransferPool()
{
    TakeAll();
}

CURLMcode TransferPool::Add(const FetchJobPtr& job)
{
    CURL* easy = job->request->handle();
    const CURLMcode code = usable() ? curl_multi_add_handle(multi_.get(), easy) : CURLM_BAD_HANDLE;
    if (code == CURLM_OK)
        inFlight_.emplace(easy, job);
    return code;
}

CURLMcode TransferPool::Perform()
{
    int running = 0;
    return inFlight_.empty() ? CURLM_OK : curl_multi_perform(multi_.get(), &running);
}

void TransferPool::ForEach(const std::function<void(FetchJob&)>& visit) const
{
    for (const auto& [easy, job] : inFlight_)
        visit(*job);
}

bool TransferPool::TakeEnded(const std::function<void(FetchJobPtr job, CURLcode code)>& ended)
{
    if (!usable())
        return false;
    bool any = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const CURLcode code = message->data.result;
        auto found = inFlight_.find(easy);
        if (found == inFlight_.end())
            continue;
        FetchJobPtr job = std::move(found->second);
        inFlight_.erase(found);
        // Fails only for a handle the multi does not hold: nothing to undo.
        (void)curl_multi_remove_handle(multi_.get(), easy);
        any = true;
        ended(std::move(job), code);
    }
    return any;
}

CURLMcode TransferPool::Wait(long timeoutMs)
{
    if (wait_ != nullptr)
        return wait_->Wait(multi_.get(), timeoutMs);
    return curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(timeoutMs), nullptr);
}

std::vector<FetchJobPtr> TransferPool::TakeAll()
{
    std::vector<FetchJobPtr> taken;
    taken.reserve(inFlight_.size());
    for (auto& [easy, job] : inFlight_) {
        (void)curl_multi_remove_handle(multi_.get(), easy);
        taken.push_back(std::move(job));
    }
    inFlight_.clear();
    return taken;
}

}  // namespace pardovane
