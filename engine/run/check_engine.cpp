#include "engine/run/check_engine.h"

#include "engine/input/list_file.h"
#include "engine/page/fragment_match.h"
#include "engine/page/markdown_places.h"
#include "engine/page/page_ids.h"
#include "engine/page/page_links.h"
#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/run_texts.h"
#include "engine/report/text_report.h"
#include "engine/run/verdict_cache.h"

#include <string>

namespace pardovane {
namespace {

int Blocks(std::uint64_t bytes)
{
    return static_cast<int>(bytes / 128);
}

std::u16string Decimal(std::int32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string BadPageMessage(const std::u16string& pageUrl)
{
    std::u16string text(texts::kBadPageBefore);
    AppendWithoutPasswords(text, pageUrl);
    text += texts::kBadPageAfter;
    text += u'\n';
    text += texts::kCheckUrlMessage;
    return text;
}

// The count units of text from the 1-based position start, stopping at its end.
std::u16string_view Cut(std::u16string_view text, std::int32_t start, std::int32_t count)
{
    if (start < 1 || count <= 0 || static_cast<std::size_t>(start) > text.size())
        return {};
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count));
}

}  // namespace

CheckEngine::CheckEngine(RunView& window, UrlProber& prober, std::filesystem::path listFile)
    : window_(window), prober_(prober), listFile_(std::move(listFile))
{
    ResetVerdictCache(state_);
    record_.SetKeep(RunRecord::Keep::CurrentPage);
    record_.AddListener(textReport_);
    observers_.push_back(&record_);
}

void CheckEngine::RunCheck()
{
    RunState& s = state_;
    cancelRequested_ = false;
    window_.SetStatusLabel(std::u16string(texts::kChecking));
    window_.RepaintStatusLabel();
    window_.SetBusyPointer();
    s.report.clear();
    warned_.clear();
    ResetVerdictCache(s);
    s.checkedCount = 0;
    s.errorCount = 0;
    lastRun_ = {};

    auto list = ListFile::Open(listFile_);
    if (!list) {
        // Nothing was read, so the report box keeps what it showed.
        lastRun_.listFileFailed = true;
        std::u16string message(texts::kListFileOpenError);
        message += u'\n';
        message += Utf8ToUtf16(listFile_.string());
        window_.ShowMessage(message);
        window_.SetDefaultPointer();
        window_.SetStatusLabel(std::u16string(texts::kInstruction));
        return;
    }

    if (crawling_)
        frontier_.Start(crawlSettings_, *robots_);
    Notify([&](RunObserver& o) { o.OnRunStart(*list); });
    window_.SetProgressMax(Blocks(list->length()) + 1);
    window_.SetProgressValue(0);
    // The listed pages, then those a crawl found, each only once the pages
    // before it have added theirs.
    while (!cancelRequested_) {
        std::optional<CrawlFrontier::Page> found;
        if (!list->AtEnd())
            s.pageUrl = list->ReadLine();
        else if (crawling_ && (found = frontier_.Next()))
            s.pageUrl = found->url;
        else
            break;
        window_.SetPageLabel(WithoutPasswords(PageName()) + std::u16string(texts::kExaminingSuffix));
        if (s.pageUrl.empty())
            continue;
        // A page that could not be reached leaves the progress where it was.
        if (!CheckPage(list->offset(), found) || cancelRequested_)
            continue;
        if (found) {
            window_.SetProgressMax(static_cast<int>(frontier_.size()));
            window_.SetProgressValue(static_cast<int>(frontier_.position()));
        } else {
            window_.SetProgressValue(Blocks(list->offset()));
        }
    }
    lastRun_.pagesLeft = crawling_ ? frontier_.pagesLeft() : 0;
    if (cancelRequested_) {
        lastRun_.cancelled = true;
        window_.SetDefaultPointer();
        return;
    }

    window_.SetReportText(s.report);
    window_.SetDefaultPointer();
    window_.SetStatusLabel(std::u16string(texts::kSummaryChecked) + Decimal(s.checkedCount)
                           + std::u16string(texts::kSummaryErrors) + Decimal(s.errorCount));
}

void CheckEngine::SetCrawl(const CrawlSettings& settings, RobotsSource& robots)
{
    crawling_ = settings.recurse;
    crawlSettings_ = settings;
    robots_ = &robots;
}

std::u16string CheckEngine::PageName() const
{
    return names_ ? names_(state_.pageUrl) : state_.pageUrl;
}

// One page's block: its probe, its text and its links. found: the page a
// crawl found, else a listed one. False when the page could not be reached.
bool CheckEngine::CheckPage(std::uint64_t offset, const std::optional<CrawlFrontier::Page>& found)
{
    RunState& s = state_;
    Notify([&](RunObserver& o) { o.OnPageStart(s.pageUrl, offset); });
    const int verdict = CheckUrl(s.pageUrl);
    if (cancelRequested_)
        return false;
    if (verdict == 0) {
        ReportBadPage();
        EndPage(false, false);
        return false;
    }

    CountWarning(s.pageUrl);
    s.pageHasError = false;
    auto page = window_.DownloadPage(s.pageUrl);
    if (cancelRequested_)
        return false;
    if (!page) {
        // The page answered its probe but not its download: say so as for
        // a bad page and close its block, so no page goes unreported.
        s.pageText.clear();
        s.baseUrl = s.pageUrl;
        s.pageCharset.clear();
        pageFormat_ = PageFormat::Html;
        ReportBadPage();
        EndPage(true, false);
        return true;
    }
    s.pageText = std::move(page->text);
    // Links resolve against where the page finally came from.
    s.baseUrl = std::move(page->url);
    s.pageCharset = std::move(page->charset);
    pageFormat_ = page->markdown ? PageFormat::Markdown : PageFormat::Html;
    crawlPage_.reset();
    if (crawling_) {
        crawlPage_ = found ? *found : frontier_.AddStart(StoredUrl(s, s.pageUrl), s.baseUrl);
        Notify([&](RunObserver& o) { o.OnCrawlPage(frontier_.ScopeOf(*crawlPage_), crawlPage_->depth); });
    }
    Notify([&](RunObserver& o) { o.OnPageText(s.pageText, s.baseUrl, s.pageCharset, pageFormat_); });
    ScanPage();
    if (cancelRequested_)
        return false;
    EndPage(true, true);
    return true;
}

void CheckEngine::EndPage(bool reachable, bool downloaded)
{
    Notify([&](RunObserver& o) { o.OnPageEnd(reachable, downloaded); });
}

void CheckEngine::ReportBadPage()
{
    ++lastRun_.badPages;
    window_.ShowMessage(BadPageMessage(PageName()));
}

void CheckEngine::CountWarning(const std::u16string& url)
{
    if (warned_.contains(url))
        ++lastRun_.warnings;
}

int CheckEngine::CheckUrl(const std::u16string& url)
{
    if (auto cached = LookupVerdict(state_, url))
        return *cached ? 1 : 0;

    // From here the URL is in the cache, bad until a good status says
    // otherwise. Every failure of a request comes back as a value; an
    // exception is a fault of the program's own, which the front end
    // reports as such instead of as a broken link.
    const std::size_t entry = AppendVerdict(state_, url);
    const ProbeResult result = prober_.Probe(url);
    state_.cacheOk[entry] = result.good();
    if (crawling_)
        frontier_.Learn(state_.cacheUrls[entry], result);
    if (result.good() && result.warned())
        warned_.insert(state_.cacheUrls[entry]);
    Notify([&](RunObserver& o) { o.OnProbe(url, result); });
    return state_.cacheOk[entry] ? 1 : 0;
}

void CheckEngine::ScanPage()
{
    pageIds_.reset();
    sheetsExpanded_.clear();
    places_.reset();
    if (record_.WantsPlaces())
        places_.emplace(state_.pageText);
    // Positions fit: the download caps pages far below 2^31 code units.
    ForEachPageLink(
        state_.pageText, state_.baseUrl, state_.pageCharset, exclusion_,
        [this](const PageLink& link) {
        if (cancelRequested_)
            return;
        state_.linkStart = static_cast<std::int32_t>(link.start);
        state_.scanPos = static_cast<std::int32_t>(link.start + link.length);
        CheckLink(link);
        },
        checks_.resources, pageFormat_);
}

void CheckEngine::CheckLink(const PageLink& link, const std::u16string* sheet, int depth)
{
    RunState& s = state_;
    const LinkTarget& target = link.target;
    s.linkText = sheet || !link.written.empty() ? link.written
                                                : Cut(s.pageText, s.linkStart, s.scanPos - s.linkStart);
    // A stylesheet's link knows its place; the page's are counted on the way.
    const TextPlace place = sheet ? link.place : places_ ? places_->At(link.start - 1) : TextPlace{};
    if (!target.probed()) {
        Notify([&](RunObserver& o) { o.OnLinkSkipped(s.linkText, target, link.element, place); });
        return;
    }
    const bool local
        = pageFormat_ == PageFormat::Markdown && folder_ != nullptr && folder_->Covers(target.url);
    const bool reached = (local ? CheckLocal(target.url) : CheckUrl(target.url)) != 0;
    if (reached && crawlPage_ && FollowedByCrawl(link.element))
        frontier_.Offer(StoredUrl(s, target.url), *crawlPage_);
    const bool fragmentMissing = reached && checks_.fragments && !FragmentFound(target);
    const bool good = reached && !fragmentMissing;
    Notify([&](RunObserver& o) {
        o.OnLinkJudged({s.linkText, target.url, good, link.element, sheet, fragmentMissing,
                        good && warned_.contains(target.url), place});
    });

    ++s.checkedCount;
    if (good) {
        CountWarning(target.url);
    } else {
        ++s.errorCount;
        s.pageHasError = true;
    }
    if (reached && link.stylesheet && checks_.resources)
        JudgeSheet(target.url, depth);
}

// A Markdown page's link into the local folder: there or not, never asked.
// Its verdict is kept as any URL's, so a run judges each URL once.
int CheckEngine::CheckLocal(const std::u16string& url)
{
    if (auto cached = LookupVerdict(state_, url))
        return *cached ? 1 : 0;
    const std::size_t entry = AppendVerdict(state_, url);
    ProbeResult result;
    if (folder_->Holds(url))
        result.accepted = true;
    else
        result = ProbeResult::Failed(HttpFailure::NoSuchFile, {});
    state_.cacheOk[entry] = result.good();
    Notify([&](RunObserver& o) { o.OnProbe(url, result); });
    return state_.cacheOk[entry] ? 1 : 0;
}

bool CheckEngine::FollowedByCrawl(LinkScanner::Element element) const
{
    using E = LinkScanner::Element;
    return element == E::Anchor || (checks_.resources && (element == E::Frame || element == E::IFrame));
}

// The links of a stylesheet the page loads are the page's: each stylesheet
// is read once per page however often it is imported, and so deep only.
void CheckEngine::JudgeSheet(const std::u16string& url, int depth)
{
    if (depth >= kMostSheetDepth || !sheetsExpanded_.insert(url).second || cancelRequested_)
        return;
    const DocumentFactsPtr sheet = prober_.Document(url, true);
    if (!sheet || sheet->html)
        return;
    // The facts are the run's, shared; the URL outlives this page's links.
    const std::u16string sheetUrl = url;
    for (const PageLink& link : sheet->sheetLinks) {
        if (cancelRequested_)
            return;
        CheckLink(link, &sheetUrl, depth + 1);
    }
}

// Whether the link's #fragment names a place in its target, which answered
// well; true when there is nothing to judge.
bool CheckEngine::FragmentFound(const LinkTarget& target)
{
    if (!target.hasFragment || target.fragment.empty())
        return true;
    const RunState& s = state_;
    const bool markdown = pageFormat_ == PageFormat::Markdown;
    if (target.url == s.baseUrl || target.url == s.pageUrl) {
        if (!pageIds_ && markdown) {
            const MarkdownSource source(s.pageText);
            pageIds_ = MarkdownIds(source, checks_.slugs);
            pageLines_ = source.lineCount();
        } else if (!pageIds_) {
            pageIds_ = PageIds(s.pageText);
        }
        return markdown ? MarkdownFragmentFound(*pageIds_, pageLines_, target.fragment)
                        : pardovane::FragmentFound(*pageIds_, target.fragment);
    }
    const DocumentFactsPtr page = prober_.Document(target.url, false);
    if (page && page->markdown)
        return MarkdownFragmentFound(page->ids, page->lines, target.fragment);
    return !page || !page->html || pardovane::FragmentFound(page->ids, target.fragment);
}

}  // namespace pardovane
