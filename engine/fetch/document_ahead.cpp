#include "engine/fetch/document_ahead.h"

#include "engine/page/markdown_places.h"
#include "engine/page/page_ids.h"
#include "engine/page/page_links.h"
#include "engine/page/page_text_decoder.h"
#include "engine/page/place_counter.h"

#include <string_view>
#include <unordered_set>

namespace pardovane {

void DocumentAhead::Clear()
{
    documents_.clear();
    jobs_.clear();
}

DocumentFactsPtr DocumentAhead::Find(const std::u16string& url) const
{
    const auto found = documents_.find(url);
    return found == documents_.end() ? nullptr : found->second;
}

FetchJobPtr DocumentAhead::Pending(const std::u16string& url) const
{
    const auto found = jobs_.find(url);
    return found == jobs_.end() ? nullptr : found->second;
}

FetchJobPtr DocumentAhead::Fetch(const std::u16string& url, bool stylesheet, FetchQueue::Priority priority,
                                 int sheetDepth, const FetchJobPtr& unsent, bool asked)
{
    FetchJobPtr job = unsent;
    if (!job) {
        job = std::make_shared<FetchJob>();
        job->url = url;
        job->servesProbe = !asked;
        queue_.Push(job, priority);
    } else {
        job->servesProbe = true;
    }
    job->transfer = stylesheet ? HttpRequest::Kind::Download : HttpRequest::Kind::HtmlDownload;
    job->purpose = FetchPurpose::Document;
    job->sheetDepth = sheetDepth;
    jobs_[url] = job;
    return job;
}

DocumentFactsPtr DocumentAhead::Finish(FetchJob& job, bool ids, const LinkExclusion& exclusion)
{
    ProbeResult probe = job.request ? job.request->TakeProbeResult() : job.probe;
    std::optional<DownloadResult> download = std::move(job.download);
    if (job.request)
        download = job.request->TakeDownloadResult();
    job.request.reset();
    job.download.reset();
    const bool good = probe.good() && download && download->ok();
    if (job.servesProbe)
        job.probe = std::move(probe);
    jobs_.erase(job.url);
    return Store(job.url, good ? &*download : nullptr, ids, exclusion);
}

void DocumentAhead::StorePage(const std::u16string& url, const DownloadResult& page,
                              const LinkExclusion& exclusion)
{
    if (!documents_.contains(url))
        Store(url, &page, true, exclusion);
}

DocumentFactsPtr DocumentAhead::Store(const std::u16string& url, const DownloadResult* download, bool ids,
                                      const LinkExclusion& exclusion)
{
    auto facts = std::make_shared<DocumentFacts>();
    if (download && download->ok()) {
        facts->html = IsHtmlType(download->contentType);
        const DownloadedPage text = DecodePage(download->body, download->contentType, download->url);
        facts->markdown = text.markdown;
        if (facts->markdown && ids) {
            const MarkdownSource source(text.text);
            facts->ids = MarkdownIds(source, slugs_);
            facts->lines = source.lineCount();
        } else if (facts->html && ids) {
            facts->ids = PageIds(text.text);
        } else if (!facts->html && !facts->markdown) {
            // Every occurrence, as a page's links are; past the first many,
            // only URLs not seen yet, so a hostile stylesheet holds no more
            // than its distinct URLs.
            std::unordered_set<std::u16string_view> seen;
            PlaceCounter places(text.text);
            ForEachSheetLink(text.text, text.url, exclusion, [&](const PageLink& link) {
                const std::u16string_view written
                    = std::u16string_view(text.text).substr(link.start - 1, link.length);
                if (!seen.insert(written).second && facts->sheetLinks.size() >= kMaxSheetLinksWithRepeats)
                    return;
                PageLink kept = link;
                // The stylesheet's text goes; the link keeps its own.
                kept.written = written;
                kept.place = places.At(link.start - 1);
                facts->sheetLinks.push_back(std::move(kept));
            });
        }
    }
    DocumentFactsPtr stored = std::move(facts);
    documents_[url] = stored;
    return stored;
}

}  // namespace pardovane
