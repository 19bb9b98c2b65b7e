#include "engine/fetch/fetch_plan.h"

#include "engine/page/page_text_decoder.h"
#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"

#include <algorithm>

namespace pardovane {

void FetchPlan::Start(const ListFile& list, bool origins)
{
    Stop();
    crawl_.Reset();
    currentPlace_ = {};
    currentLine_ = 0;
    currentUrl_.clear();
    book_.listed().Count(list.FromStart(), origins);
    list_ = list.FromStart();
    ReadAhead();
}

void FetchPlan::Stop()
{
    crawl_.DropJobs();
    aheadLines_.clear();
    undecided_.clear();
    list_.reset();
}

void FetchPlan::PageStarted(const std::u16string& pageUrl, std::uint64_t offset)
{
    // The line before is passed; a page no later line lists goes with it.
    if (!book_.listed().Listed(currentUrl_))
        book_.ForgetPage(currentUrl_);
    book_.listed().Pass(pageUrl);
    currentUrl_ = pageUrl;
    currentLine_ = offset;
    currentPageScanned_ = false;
    std::erase_if(undecided_, [&](const AheadLine* line) { return line->offset <= currentLine_; });
    while (!aheadLines_.empty() && aheadLines_.front().offset <= currentLine_)
        aheadLines_.pop_front();
    ReadAhead();
}

void FetchPlan::PageTaken(const std::u16string& url, bool scanned)
{
    currentPageScanned_ = scanned;
    if (!book_.listed().Listed(url))
        book_.ForgetPage(url);  // else a later line lists it too
    ReadAhead();
}

void FetchPlan::PageText(std::u16string_view text, std::u16string_view url, const std::string& charset,
                         PageFormat format)
{
    const CrawlPlace place = std::exchange(currentPlace_, {});
    if (!currentPageScanned_)
        PrefetchLinks(text, url, charset, format, FetchQueue::kCurrentPage, place);
}

// A page the run judged without reading it: a guess of ours that it would
// be a page of the crawl, held for nothing.
void FetchPlan::LinkJudged(const std::u16string& url)
{
    if (crawl_.on() && book_.HasPage(url) && !book_.listed().Listed(url) && !crawl_.frontier().Seen(url))
        book_.ForgetPage(url);
}

void FetchPlan::PrefetchLinks(std::u16string_view text, std::u16string_view url, const std::string& charset,
                              PageFormat format, Priority priority, const CrawlPlace& place)
{
    ForEachPageLink(
        text, url, charset, exclusion_,
        [&](const PageLink& link) { PrefetchLink(link, priority, &place, 0); }, checks_.resources, format);
}

void FetchPlan::SheetArrived(const std::vector<PageLink>& links, int depth)
{
    for (const PageLink& link : links)
        PrefetchLink(link, FetchQueue::kLaterPages, nullptr, depth);
}

// A link whose target the run will read, a stylesheet or a page its
// #fragment points into, is fetched whole; any other is probed.
void FetchPlan::PrefetchLink(const PageLink& link, Priority priority, const CrawlPlace* place, int sheetDepth)
{
    if (!link.target.probed())
        return;
    const std::u16string& url = link.target.url;
    const bool stylesheet = link.stylesheet && checks_.resources;
    const bool fragment = checks_.fragments && link.target.hasFragment && !link.target.fragment.empty();
    if ((stylesheet || fragment) && !book_.documents().Known(url) && !book_.HasPage(url)
        && !book_.listed().Listed(url) && book_.KnownVerdict(url).value_or(true) && sheetDepth < kMostSheetDepth)
        book_.AskDocument(url, stylesheet, priority, sheetDepth);
    else
        Prefetch(url, priority, place);
}

// from: the place of the page that links to url, in a crawl.
void FetchPlan::Prefetch(const std::u16string& url, Priority priority, const CrawlPlace* from)
{
    // The empty URL is judged without a request, and anything asked once is
    // never asked again.
    if (url.empty() || book_.Taken(url))
        return;
    if (const FetchJobPtr queued = book_.ProbeOf(url)) {
        // Queued for later already: queue it again where it now belongs; the
        // copy left behind is skipped once started.
        if (priority == FetchQueue::kCurrentPage && !queued->started())
            queue_.Push(queued, priority);
        return;
    }
    // A listed page met as a link: its one GET is this probe and its text.
    if (book_.listed().Listed(url) && !book_.HasPage(url) && book_.RoomForPages()) {
        book_.AskPage(url, true, priority);
        return;
    }
    // A page the crawl will read, if it is HTML: the same, and its links
    // are fetched ahead in turn.
    if (crawl_.on() && from && !book_.HasPage(url) && book_.RoomForPages()
        && crawl_.WillRead(url, from->scope, from->depth)) {
        AskRobotsOf(url);
        book_.AskPage(url, true, priority, FetchPurpose::CrawledPage)->place = {from->scope, from->depth + 1};
        return;
    }
    book_.Ask(url, priority);
}

void FetchPlan::AskRobotsOf(const std::u16string& url)
{
    if (crawl_.frontier().settings().obeyRobots && !crawl_.Known(OriginOf(url)))
        crawl_.RobotsJob(OriginOf(url), queue_);
}

void FetchPlan::PageArrived(FetchJob& job)
{
    // A guessed page whose site's rules are still on their way is scanned
    // by the run, if it reads it, not ahead: its links may be forbidden.
    const bool guessed = job.purpose == FetchPurpose::CrawledPage;
    if (!job.download || job.url == currentUrl_ || (guessed && !crawl_.RulesKnown(job.url)))
        return;
    // A later page: what its scan will probe can be asked now. A listed one
    // starts a crawl of its own.
    job.scanned = true;
    if (crawl_.on() && !guessed && job.place.scope.empty())
        job.place.scope = DirectoryOf(Utf8ToUtf16(job.download->url));
    const DownloadedPage page = DecodePage(job.download->body, job.download->contentType, job.download->url);
    PrefetchLinks(page.text, page.url, page.charset, page.markdown ? PageFormat::Markdown : PageFormat::Html,
                  FetchQueue::kLaterPages, job.place);
}

// More lines while the jobs could use more work and the pages held ahead
// leave room.
bool FetchPlan::WantsMoreLines() const
{
    return book_.RoomForPages() && queue_.size() < jobs_ * kQueuedPerJob;
}

void FetchPlan::ReadAhead()
{
    while (list_ && !list_->AtEnd() && (aheadLines_.empty() || WantsMoreLines())) {
        std::u16string url = list_->ReadLine();
        if (!url.empty() && list_->offset() > currentLine_)
            ReadAheadLine(url);
    }
    if (crawl_.on() && list_ && list_->AtEnd())
        ReadAheadFound();
    QueueAheadDownloads();
}

// The pages the run's crawl has queued, read ahead as the list's lines are.
void FetchPlan::ReadAheadFound()
{
    const CrawlFrontier& found = crawl_.frontier();
    std::size_t& next = crawl_.queueRead();
    for (next = std::max(next, found.position()); next < found.size() && WantsMoreLines(); ++next) {
        const std::u16string url(found[next].url);
        if (!book_.HasPage(url))
            book_.AskPage(url, false, FetchQueue::kCritical)->place = {found.ScopeOf(found[next]), found[next].depth};
    }
}

void FetchPlan::ReadAheadLine(const std::u16string& url)
{
    aheadLines_.push_back({url, list_->offset()});
    if (crawl_.on())
        AskRobotsOf(url);
    if (book_.HasPage(url))
        return;  // fetched already, for a link or an earlier line
    if (!book_.Asked(url)) {
        book_.AskPage(url, true, FetchQueue::kCritical);
        return;
    }
    Prefetch(url, FetchQueue::kCritical);
    undecided_.push_back(&aheadLines_.back());
}

void FetchPlan::QueueAheadDownloads()
{
    std::erase_if(undecided_, [&](AheadLine* line) {
        const std::optional<bool> verdict = book_.KnownVerdict(line->url);
        if (!verdict)
            return false;
        if (*verdict && !book_.HasPage(line->url))
            book_.AskPage(line->url, false, FetchQueue::kCritical);
        return true;
    });
}

}  // namespace pardovane
