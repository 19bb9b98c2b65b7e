#include "engine/setup/check_run.h"

#include "engine/page/link_exclusion.h"
#include "engine/page/local_folder.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace pardovane {
namespace {

UrlExclusion Compiled(const std::vector<std::string>& patterns)
{
    UrlExclusion exclusion;
    if (std::string error; !exclusion.AddAll(patterns, error))
        throw std::invalid_argument(error);
    return exclusion;
}

}  // namespace

CheckRun::CheckRun(RunView& view, const std::filesystem::path& listFile, const RunSettings& settings,
                   UrlExclusion exclusion, const LocalFolder* folder)
    : local_(folder != nullptr ? LocalLines() : LocalLines(listFile, settings.crawl.maxPages)),
      exclusion_(std::move(exclusion)), fetcher_(settings.jobs, settings.http),
      engine_(view, fetcher_, local_.ListFor(listFile))
{
    if (folder == nullptr)
        folder = local_.folder();
    if (folder != nullptr) {
        fetcher_.SetLocalFolder(folder);
        engine_.SetLocalFolder(folder);
        engine_.SetPageNames([folder](std::u16string_view url) { return folder->NameOf(url); });
        engine_.record().SetFiles([folder](std::u16string_view url) { return folder->WorkingPathOf(url); });
    }
    if (!exclusion_.empty()) {
        const LinkExclusion excluded = [this](std::u16string_view url) { return exclusion_.Match(url); };
        engine_.SetLinkExclusion(excluded);
        fetcher_.SetLinkExclusion(excluded);
    }
    // Every listed page starts a crawl: the engine decides which pages it
    // reads, the fetcher fetches them ahead of it and gives it each site's
    // robots.txt.
    engine_.SetCrawl(settings.crawl, fetcher_);
    if (settings.crawl.recurse)
        fetcher_.FollowCrawl(engine_.frontier());
    engine_.SetContentChecks(settings.checks);
    fetcher_.SetContentChecks(settings.checks);
    fetcher_.SetSoftNotFound(settings.soft404);
    engine_.AddObserver(fetcher_);
}

CheckRun::CheckRun(RunView& view, const std::filesystem::path& listFile, const RunSettings& settings)
    : CheckRun(view, listFile, settings, Compiled(settings.excludes))
{
}

RunOutcome CheckRun::Run()
{
    engine_.RunCheck();
    return engine_.lastRun();
}

void CheckRun::Cancel()
{
    engine_.Cancel();
    fetcher_.Cancel();
}

AnswerCache& CheckRun::KeepAnswers(std::chrono::seconds maxAge)
{
    answers_.emplace(maxAge, AnswerCache::Clock::now());
    fetcher_.SetAnswerCache(&*answers_);
    return *answers_;
}

}  // namespace pardovane
