#include "engine/run/verdict_cache.h"

namespace pardovane {

void ResetVerdictCache(RunState& state)
{
    state.cacheIndex.clear();
    state.cacheUrls.clear();
    state.cacheOk.clear();
    AppendVerdict(state, std::u16string());
}

std::optional<bool> LookupVerdict(const RunState& state, std::u16string_view url)
{
    auto found = state.cacheIndex.find(url);
    if (found == state.cacheIndex.end())
        return std::nullopt;
    return static_cast<bool>(state.cacheOk[found->second]);
}

std::u16string_view StoredUrl(const RunState& state, std::u16string_view url)
{
    auto found = state.cacheIndex.find(url);
    return found == state.cacheIndex.end() ? std::u16string_view() : found->first;
}

std::size_t AppendVerdict(RunState& state, std::u16string url)
{
    std::size_t index = state.cacheUrls.size();
    state.cacheOk.push_back(false);
    const std::u16string& stored = state.cacheUrls.emplace_back(std::move(url));
    state.cacheIndex.emplace(std::u16string_view(stored), index);
    return index;
}

}  // namespace pardovane
