#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/page/document_facts.h"
#include "engine/page/heading_slugs.h"
#include "engine/page/link_exclusion.h"

#include <string>
#include <unordered_map>

namespace pardovane {

// The documents a run fetches for their content rather than their verdict
// alone: stylesheets, for their links, and pages a #fragment points into,
// for their ids. Each is fetched once and kept, for the rest of the run, as
// the little the run asks of it (DocumentFacts), never as its text.
class DocumentAhead {
public:
    explicit DocumentAhead(FetchQueue& queue) : queue_(queue) { }
    // How a Markdown document's headings give their anchors.
    void SetSlugs(HeadingSlugs::Rules slugs) { slugs_ = slugs; }

    void Clear();
    // Null until url's document is stored.
    DocumentFactsPtr Find(const std::u16string& url) const;
    // Stored, or on its way.
    bool Known(const std::u16string& url) const { return documents_.contains(url) || jobs_.contains(url); }
    // The job on its way for url, if any.
    FetchJobPtr Pending(const std::u16string& url) const;

    // Fetches url whole: a stylesheet whatever its type, a page only when it
    // is HTML. unsent: the probe of url queued and not sent yet, which this
    // GET then serves; asked: url's verdict is had otherwise already.
    FetchJobPtr Fetch(const std::u16string& url, bool stylesheet, FetchQueue::Priority priority,
                      int sheetDepth, const FetchJobPtr& unsent, bool asked);
    // A finished job of Fetch: its facts stored, its text dropped, its
    // verdict kept when it serves the probe.
    DocumentFactsPtr Finish(FetchJob& job, bool ids, const LinkExclusion& exclusion);
    // A page fetched anyway, whose ids a #fragment elsewhere may ask.
    void StorePage(const std::u16string& url, const DownloadResult& page, const LinkExclusion& exclusion);

    // A stylesheet's links kept as written, repeats included, before only
    // new ones are.
    static constexpr std::size_t kMaxSheetLinksWithRepeats = 10'000;

private:
    // What a fetched document is to the run: an HTML page's ids (a Markdown
    // file's places) when ids are wanted; anything else, as a stylesheet, its links. Without a
    // download (a bad answer) the facts are empty, so nothing is asked twice.
    DocumentFactsPtr Store(const std::u16string& url, const DownloadResult* download, bool ids,
                           const LinkExclusion& exclusion);

    FetchQueue& queue_;
    HeadingSlugs::Rules slugs_ = HeadingSlugs::Rules::Github;
    std::unordered_map<std::u16string, DocumentFactsPtr> documents_;
    std::unordered_map<std::u16string, FetchJobPtr> jobs_;  // until stored
};

}  // namespace pardovane
