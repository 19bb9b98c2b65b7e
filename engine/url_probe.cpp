#include "check_engine.h"

#include "verdict_cache.h"

namespace pardovane {

int CheckEngine::CheckUrl(const std::u16string& url)
{
    if (auto cached = LookupVerdict(state_, url))
        return *cached ? 1 : 0;

    // From here the URL is in the cache, bad until a good status says
    // otherwise, whatever happens below.
    const std::size_t entry = AppendVerdict(state_, url);
    ProbeResult result;
    try {
        result = prober_.Probe(url);
    } catch (...) {
        result = {0, HttpFailure::NoRequestObject, "the request failed unexpectedly"};
    }
    state_.cacheOk[entry] = result.good();
    Notify([&](RunObserver& o) { o.OnProbe(url, result); });
    return state_.cacheOk[entry] ? 1 : 0;
}

}  // namespace pardovane
