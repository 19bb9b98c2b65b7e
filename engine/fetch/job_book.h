#pragma once

#include "engine/fetch/answer_cache.h"
#include "engine/fetch/document_ahead.h"
#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/fetch/listed_pages.h"
#include "engine/http/verdict_rules.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

namespace pardovane {

// Every job asked for and not yet taken by the run, by URL, and what the
// run took: each URL is asked once. New jobs go to the queue, unless the
// answer cache answers them first. Listed pages that came before the run
// reached them are held here, as bytes, within kAheadBytes.
class JobBook {
public:
    using Priority = FetchQueue::Priority;

    // Listed lines are read ahead, and listed pages met as links fetched
    // whole, while the pages held for the run stay under this many bytes.
    static constexpr std::size_t kAheadBytes = std::size_t{64} * 1024 * 1024;

    JobBook(FetchQueue& queue, const VerdictRules& rules) : queue_(queue), rules_(rules) { }

    // Drops every job; with forgetVerdicts also what the run took.
    void Clear(bool forgetVerdicts);
    // Not owned; null (the default) keeps nothing across runs (see Ask).
    void SetAnswerCache(AnswerCache* cache) { cache_ = cache; }
    ListedPages& listed() { return listed_; }
    const ListedPages& listed() const { return listed_; }
    DocumentAhead& documents() { return documents_; }

    // A probe of url. A fresh good answer the answer cache holds for a link
    // to another site than the list's is taken instead of a request.
    FetchJobPtr Ask(const std::u16string& url, Priority priority);
    // url's page, whole. servesProbe: no verdict is known yet, and the GET
    // gives it. purpose: ListedPage or CrawledPage.
    FetchJobPtr AskPage(const std::u16string& url, bool servesProbe, Priority priority,
                        FetchPurpose purpose = FetchPurpose::ListedPage);
    // A document whole (see DocumentAhead); one GET gives the verdict too,
    // unless the URL was asked already.
    FetchJobPtr AskDocument(const std::u16string& url, bool stylesheet, Priority priority, int sheetDepth);

    // The probe job for url not yet taken, null if none.
    FetchJobPtr ProbeOf(const std::u16string& url) const;
    // The page job for url not yet taken, null if none.
    FetchJobPtr PageOf(const std::u16string& url) const;
    bool HasPage(const std::u16string& url) const { return pages_.contains(url); }
    // Asked already: taken by the run, or on its way.
    bool Asked(const std::u16string& url) const;
    // The run took its verdict.
    bool Taken(const std::u16string& url) const;
    // Good or bad, once known.
    std::optional<bool> KnownVerdict(const std::u16string& url) const;
    // The run took url's verdict.
    void Took(const std::u16string& url, bool good);
    // The job is the one held for url's probe.
    bool HoldsProbe(const FetchJob& job) const;

    // A finished page job whose page is held for the run.
    void Hold(FetchJob& job);
    // The page of url is not held any more.
    void ForgetPage(const std::u16string& url);
    bool RoomForPages() const { return aheadBytes_ < kAheadBytes; }
    std::size_t heldBytes() const { return aheadBytes_; }

    // A finished probe's answer goes into the answer cache, for a link to
    // another site than the list's.
    void Remember(const FetchJob& job);

private:
    FetchJobPtr Add(FetchPurpose purpose, const std::u16string& url);

    FetchQueue& queue_;
    const VerdictRules& rules_;
    AnswerCache* cache_ = nullptr;
    ListedPages listed_;  // of the lines not passed yet
    DocumentAhead documents_{queue_};
    std::unordered_map<std::u16string, FetchJobPtr> probes_;  // asked for, not yet taken by the run
    // Taken by the run: good or bad, by a hash of the URL, as a long list
    // would otherwise hold every URL twice. A collision costs a request, not
    // a verdict: the run asks what it was not given.
    std::unordered_map<std::size_t, bool> verdicts_;
    // Listed pages fetched, or being fetched, for lines the run has not
    // passed yet, by URL: every line that lists one takes the same GET.
    std::unordered_map<std::u16string, FetchJobPtr> pages_;
    std::size_t aheadBytes_ = 0;  // pages held for the run, as they came
};

}  // namespace pardovane
