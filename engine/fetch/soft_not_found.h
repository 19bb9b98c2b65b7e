#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/http/probe_result.h"
#include "engine/page/local_folder.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pardovane {

// Soft 404s: a host that answers 2xx for a page that cannot exist hides its
// dead links behind good statuses. Before any other request to a host, it
// is asked once for such a page (kPathPrefix and 32 random hex digits);
// when that answers 2xx, an answer of 2xx to any other URL there is a soft
// 404 if
// - it came through redirects to the root of the same host name ("www."
//   aside), or to where the page that cannot exist was redirected; or
// - its body resembles the one for the page that cannot exist by at least
//   kAlike (Resemblance), once each path, and its last segment, is taken
//   out of both bodies, as sites repeat the path asked for.
// Only the first HttpRequest::kSampleBytes of a body are read: a body that
// long is not compared. The root itself is never a soft 404, and a host
// whose page that cannot exist came through a redirect compares only
// answers that came through redirects too, as a direct answer with the same
// page is that page. The not-found bodies kept for the run stay within
// kKeptBytes; a host beyond that is judged by its redirects alone.
class SoftNotFound : public HostOpening {
public:
    static constexpr std::string_view kPathPrefix = "/pardovane-no-such-page-";
    static constexpr double kAlike = 0.9;
    static constexpr std::size_t kKeptBytes = std::size_t{32} * 1024 * 1024;

    // Not owned; the hosts of URLs under its base are answered from files,
    // which have no soft 404s. Null (the default): none.
    void SetLocalFolder(const LocalFolder* folder) { folder_ = folder; }
    void Clear();

    FetchJobPtr Open(const std::string& host, const FetchJob& job) override;
    void Ready(FetchJob& job) override;

    // A job of Open ended: what its host serves for a page that cannot exist.
    void Learn(FetchJob& job);
    bool Serves(const std::string& host) const { return hosts_.contains(host); }
    // Marks answer to job failed as a soft 404 when it is one, with body
    // what came of the request beyond it, if anything.
    void Judge(const FetchJob& job, ProbeResult& answer, const std::optional<DownloadResult>& body) const;
    // Requests for pages that cannot exist in this run.
    std::size_t asked() const { return asked_; }

private:
    // A host that serves soft 404s, as its page that cannot exist came.
    struct Host {
        std::string path;
        std::string movedTo;  // where redirects led it, if they did
        std::string body;
        bool bodyKept = false;
    };
    bool AlikeBodies(const Host& host, std::string_view path, const std::string& body) const;

    const LocalFolder* folder_ = nullptr;
    std::unordered_map<std::string, Host> hosts_;  // by HostKey
    std::size_t keptBytes_ = 0;
    std::size_t asked_ = 0;
};

}  // namespace pardovane
