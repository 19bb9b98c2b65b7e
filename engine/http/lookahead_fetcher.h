#pragma once

#include "engine/http/fetch_job.h"
#include "engine/http/host_gate.h"
#include "engine/http/http_settings.h"
#include "engine/http/network_wait.h"
#include "engine/http/transfer_pool.h"
#include "engine/http/url_prober.h"
#include "engine/list_file.h"
#include "engine/page/downloaded_page.h"
#include "engine/page/link_exclusion.h"
#include "engine/run_observer.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pardovane {

// Requests in flight when nobody says otherwise: enough to hide many slow
// hosts behind each other, while the per-host limit keeps any one site from
// being crowded.
inline constexpr int kDefaultJobs = 128;

// Makes the run's requests before the run asks for them, up to `jobs` at
// once, on one thread with a curl multi handle. It learns what the run will
// ask from the same list file and from scanning each page ahead, and asks
// only that: every distinct URL text is probed once, every good listed line
// is downloaded once, as the sequential run would; a listed page not asked
// before is fetched with one GET whose status is its probe. The run itself
// stays sequential; when it asks, it gets the answer already fetched, or
// waits for the one in flight.
class LookaheadFetcher : public UrlProber, public RunObserver {
public:
    LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings = {});
    ~LookaheadFetcher() override;
    LookaheadFetcher(const LookaheadFetcher&) = delete;
    LookaheadFetcher& operator=(const LookaheadFetcher&) = delete;

    // Listed lines are read ahead while the jobs lack work, as long as the
    // page texts fetched ahead and not yet taken stay under this.
    static constexpr std::size_t kAheadBytes = 64u * 1024 * 1024;
    // Work queued per job that counts as enough.
    static constexpr std::size_t kQueuedPerJob = 4;
    // Distinct hosts whose names are looked up at once.
    static constexpr int kMaxResolving = 6;

    ProbeResult Probe(const std::u16string& url) override;
    // The current line's page, as the page-download window operation.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);
    // The same exclusion as the run's, so nothing it skips is requested.
    void SetLinkExclusion(LinkExclusion exclusion) { exclusion_ = std::move(exclusion); }
    // Not owned; null (the default) sleeps in curl's own poll.
    void SetNetworkWait(NetworkWait* wait) { pool_.SetNetworkWait(wait); }

    // Keeps the transfers moving until done() holds, for a front end that
    // waits on something of its own (a message the user must answer) while
    // pages are fetched ahead. False when the run was cancelled meanwhile.
    bool WaitUntil(const std::function<bool()>& done);
    // Ends the run's network work for good: what is in flight is dropped at
    // the next wait, nothing more is requested, and every later question is
    // answered at once as failed. A new run starts afresh.
    void Cancel() { cancelled_ = true; }

    void OnRunStart() override;
    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;
    void OnPageText(const std::u16string& pageText, const std::u16string& pageUrl,
                    const std::string& charset) override;

private:
    struct AheadLine {
        std::u16string url;
        std::uint64_t offset;  // after the line
        bool downloadQueued = false;
    };
    using JobPtr = FetchJobPtr;

    // Served in this order. What the run waits for, and the listed pages
    // ahead, come first: every page fetched early unlocks its links.
    enum Priority { kCritical, kCurrentPage, kLaterPages };

    void Prefetch(const std::u16string& url, Priority priority);
    JobPtr Enqueue(HttpRequest::Kind kind, const std::u16string& url, std::uint64_t line,
                   Priority priority);
    // Queues job under a new ticket: after all work of its priority, or with
    // first before everything.
    void Queue(const JobPtr& job, Priority priority, bool first = false);
    bool WaitFor(const JobPtr& job);
    void Pump();
    void DropEverything();
    void StartQueued();
    void QueueArrivals();
    void StartJob(const JobPtr& job);
    void AddToMulti(const JobPtr& job);
    void HandleDone(const JobPtr& job, CURLcode code);
    void FailInFlight(const char* why);
    long PollMs() const;
    void Finish(FetchJob& job);
    std::size_t QueuedCount() const;
    bool WantsMoreLines() const;
    void ReadAhead();
    void ReadAheadLine(std::u16string url);
    void DropDownload(std::uint64_t line);
    void QueueAheadDownloads();
    std::optional<bool> KnownVerdict(const std::u16string& url) const;
    void PrefetchLinks(const DownloadedPage& page, Priority priority);

    std::filesystem::path listFile_;
    std::size_t jobs_;
    HttpSettings settings_;
    LinkExclusion exclusion_;
    bool cancelled_ = false;
    TransferPool pool_;
    HostGate gate_;

    // Queued work: by ticket (priority, then order), in arrival until its
    // host is known, then waiting in the gate. A job queued again leaves its
    // earlier ticket behind, skipped once the job has started.
    std::deque<std::pair<HostGate::Ticket, JobPtr>> arrivals_;
    std::unordered_map<HostGate::Ticket, JobPtr> queued_;
    HostGate::Ticket lastTicket_;
    HostGate::Ticket firstTicket_;
    std::vector<JobPtr> waiting_;  // for a retry, off the network meanwhile
    std::unordered_map<std::u16string, JobPtr> probes_;  // asked for, not yet taken by the run
    // Taken by the run: good or bad, by a hash of the URL, as a long list
    // would otherwise hold every URL twice. A collision costs a request, not
    // a verdict: the run asks what it was not given.
    std::unordered_map<std::size_t, bool> verdicts_;
    std::unordered_map<std::uint64_t, JobPtr> downloads_;  // by line, not yet taken

    std::optional<ListFile> list_;
    std::deque<AheadLine> aheadLines_;  // references stay valid: only ends change
    std::vector<AheadLine*> undecided_;  // download not yet queued or refused
    std::uint64_t currentLine_ = 0;
    bool currentPageScanned_ = false;
    std::size_t aheadBytes_ = 0;  // page texts in downloads_ that are done
};

}  // namespace pardovane
