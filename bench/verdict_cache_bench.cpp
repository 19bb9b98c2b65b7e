#include "engine/run/verdict_cache.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::u16string> DistinctUrls(std::size_t count)
{
    std::vector<std::u16string> urls;
    urls.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string text
            = "https://example.com/section" + std::to_string(i % 97) + "/page" + std::to_string(i) + ".html";
        urls.emplace_back(text.begin(), text.end());
    }
    return urls;
}

// A run's worth of cache traffic: every URL missed once and stored, then
// looked up again as repeated links are.
void FillAndLookUp(benchmark::State& state)
{
    const auto urls = DistinctUrls(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        pardovane::RunState run;
        pardovane::ResetVerdictCache(run);
        for (const auto& url : urls) {
            if (!pardovane::LookupVerdict(run, url))
                run.cacheOk[pardovane::AppendVerdict(run, url)] = true;
        }
        std::size_t good = 0;
        for (const auto& url : urls)
            good += *pardovane::LookupVerdict(run, url);
        benchmark::DoNotOptimize(good);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
    state.SetLabel("items = lookups");
}

void LookUpHit(benchmark::State& state)
{
    const auto urls = DistinctUrls(static_cast<std::size_t>(state.range(0)));
    pardovane::RunState run;
    pardovane::ResetVerdictCache(run);
    for (const auto& url : urls)
        pardovane::AppendVerdict(run, url);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pardovane::LookupVerdict(run, urls[i]));
        i = (i + 7919) % urls.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(FillAndLookUp)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(LookUpHit)->Arg(10'000)->Arg(100'000);
