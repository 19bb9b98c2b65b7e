#include "engine/fetch/soft_not_found.h"

#include "engine/http/request_url.h"
#include "engine/page/page_resemblance.h"
#include "engine/page/utf_convert.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace pardovane {
namespace {

// Segments shorter than this are left in a body: taking out every "a" or
// "id" would say nothing of the path.
constexpr std::size_t kShortestEcho = 3;

// 128 bits from the system's random source: no site has such a page, and
// none can tell it from the next run's.
std::string RandomHex()
{
    std::random_device source;
    std::string hex;
    for (int part = 0; part < 4; ++part) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(source()));
        hex += digits;
    }
    return hex;
}

// The path of a wire-form URL, without query or fragment; "/" when empty.
std::string_view PathOf(std::string_view wire)
{
    const std::size_t marker = wire.find("://");
    const std::size_t begin = wire.find_first_of("/?#", marker == std::string_view::npos ? 0 : marker + 3);
    if (begin == std::string_view::npos || wire[begin] != '/')
        return "/";
    return wire.substr(begin, wire.find_first_of("?#", begin) - begin);
}

std::string_view LastSegment(std::string_view path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string SiteName(std::string_view wire)
{
    std::string name = RequestHostName(Utf8ToUtf16(wire));
    return name.starts_with("www.") ? name.substr(4) : name;
}

std::string Without(std::string_view text, std::string_view part)
{
    std::string rest;
    rest.reserve(text.size());
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(part, at);
        rest.append(text.substr(at, next - at));
        if (next == std::string_view::npos)
            return rest;
        at = next + part.size();
    }
}

bool Is2xx(const ProbeResult& answer)
{
    return answer.failure == HttpFailure::None && answer.status >= 200 && answer.status <= 299;
}

}  // namespace

void SoftNotFound::Clear()
{
    hosts_.clear();
    keptBytes_ = 0;
    asked_ = 0;
}

FetchJobPtr SoftNotFound::Open(const std::string& host, const FetchJob& job)
{
    if (job.purpose == FetchPurpose::Robots || (folder_ && folder_->Covers(job.url)))
        return nullptr;
    auto probe = std::make_shared<FetchJob>();
    probe->transfer = HttpRequest::Kind::Sample;
    probe->purpose = FetchPurpose::NotFound;
    probe->host = host;
    probe->wire = host + std::string(kPathPrefix) + RandomHex();
    probe->url = Utf8ToUtf16(probe->wire);
    ++asked_;
    return probe;
}

void SoftNotFound::Ready(FetchJob& job)
{
    if (job.transfer == HttpRequest::Kind::Probe && Serves(job.host))
        job.transfer = HttpRequest::Kind::Sample;
}

void SoftNotFound::Learn(FetchJob& job)
{
    const ProbeResult answer = job.request ? job.request->TakeProbeResult() : job.probe;
    std::optional<DownloadResult> page;
    if (job.request)
        page = job.request->TakeDownloadResult();
    job.request.reset();
    if (!Is2xx(answer))
        return;
    Host& host = hosts_[job.host];
    host.path = PathOf(job.wire);
    host.movedTo = answer.movedTo;
    if (page && page->ok() && page->body.size() < HttpRequest::kSampleBytes
        && keptBytes_ + page->body.size() <= kKeptBytes) {
        host.body = std::move(page->body);
        host.bodyKept = true;
        keptBytes_ += host.body.size();
    }
}

void SoftNotFound::Judge(const FetchJob& job, ProbeResult& answer,
                         const std::optional<DownloadResult>& download) const
{
    // A crawled page's body is read only when it is HTML.
    const bool read
        = download && download->ok() && (job.transfer != HttpRequest::Kind::HtmlDownload || answer.html);
    const std::string* body = read ? &download->body : nullptr;
    const auto found = hosts_.find(job.host);
    if (found == hosts_.end() || job.purpose == FetchPurpose::NotFound || !Is2xx(answer))
        return;
    const Host& host = found->second;
    const std::string_view path = PathOf(job.wire);
    if (path == "/")
        return;
    const bool redirected = !answer.redirects.empty();
    const char* why = nullptr;
    if (redirected && PathOf(answer.movedTo) == "/" && SiteName(answer.movedTo) == SiteName(job.wire))
        why = "redirected to the site's root";
    else if (redirected && answer.movedTo == host.movedTo)
        why = "redirected as a path that does not exist is";
    else if (body && (redirected || host.movedTo.empty()) && AlikeBodies(host, path, *body))
        why = "the site's page for a path that does not exist";
    if (!why)
        return;
    answer.failure = HttpFailure::SoftNotFound;
    answer.accepted = false;
    answer.warning = ProbeWarning::None;
    answer.detail = why;
}

bool SoftNotFound::AlikeBodies(const Host& host, std::string_view path, const std::string& body) const
{
    if (!host.bodyKept || body.size() >= HttpRequest::kSampleBytes)
        return false;
    std::vector<std::string_view> echoes{path, LastSegment(path), host.path, LastSegment(host.path)};
    std::erase_if(echoes, [](std::string_view echo) { return echo.size() < kShortestEcho; });
    // The longest first, so a path goes whole before its segment does.
    std::sort(echoes.begin(), echoes.end(),
              [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
    std::string theirs = host.body;
    std::string mine = body;
    for (std::string_view echo : echoes) {
        theirs = Without(theirs, echo);
        mine = Without(mine, echo);
    }
    return Resemblance(theirs, mine) >= kAlike;
}

}  // namespace pardovane
