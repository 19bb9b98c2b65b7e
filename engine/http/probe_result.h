#pragma once

#include <string>
#include <vector>

namespace pardovane {

// Why a request gave no usable status. A failed request is data, not an
// exception.
enum class HttpFailure {
    None,
    RefusedScheme,    // not http or https, or redirected elsewhere
    LocalFile,        // file:, which no reader of a web page can follow
    MalformedUrl,     // control characters or no host
    NoRequestObject,  // the transfer could not be set up
    NameNotFound,
    NameLookupTimeout,  // the resolver did not answer in time
    ConnectionRefused,
    Timeout,
    TooManyRedirects,
    Tls,           // any other TLS failure
    TlsHandshake,  // no protocol or cipher in common, or the handshake broke off
    CertExpired,
    CertNotYetValid,
    CertWrongHost,  // valid, but for another name
    CertSelfSigned,
    CertUnknownIssuer,  // no trusted authority signed it
    TooLarge,           // a page above the download cap
    GotNothing,         // connection closed before any byte of an answer
    SendFailed,
    ReceiveFailed,      // e.g. the connection was reset
    NotHttp,            // the server answered, but not in HTTP
    Transfer,           // any other network failure
    FileNotFound,       // a local folder's link to a file it does not hold
    NoSuchFile,         // a Markdown file's link to no file or folder of the local folder
    PermanentRedirect,  // answered through a 301 or 308, which the user counts as broken
    SoftNotFound,       // 2xx, but as the site answers a page that does not exist (see SoftNotFound)
};

const char* HttpFailureName(HttpFailure failure);

// Why a good answer is still pointed out. Every report names it the same
// way (WarningReason) and --warnings-as-errors fails on any of them.
enum class ProbeWarning {
    None,
    PermanentRedirect,  // reached through a 301 or 308, under RedirectPolicy::Warn
    BotWall,            // a bot-protection service's answer, not the site's (bot_wall.h)
};

// One redirect followed on the way to the final response.
struct Redirect {
    long status = 0;
    std::string location;  // where it led, in wire form
};

struct ProbeResult {
    long status = 0;  // of the final response; 0 when there was none
    HttpFailure failure = HttpFailure::None;
    std::string detail;  // curl's own words, for people
    // The final response called itself HTML (a crawl reads only such pages),
    // and where it came from when a redirect moved it, in wire form.
    bool html = false;
    std::string movedTo = {};
    std::vector<Redirect> redirects;
    // The final answer was a bot wall's (see IsBotWall).
    bool botWall = false;
    // Set by VerdictRules::Judge: the answer counts as good (its status is
    // one the user accepts, or a bot wall's), and what is to be pointed out.
    bool accepted = false;
    ProbeWarning warning = ProbeWarning::None;

    // No status, for this reason.
    static ProbeResult Failed(HttpFailure failure, std::string detail)
    {
        ProbeResult result;
        result.failure = failure;
        result.detail = std::move(detail);
        return result;
    }

    bool good() const { return failure == HttpFailure::None && accepted; }
    bool warned() const { return warning != ProbeWarning::None; }
    bool movedPermanently() const;
};

// A warning as the reports give it: "permanent redirect", or "blocked by
// bot protection (HTTP 403)" with the final status; empty for none.
std::string WarningReason(const ProbeResult& result);

struct DownloadResult {
    HttpFailure failure = HttpFailure::None;
    std::string detail;
    long status = 0;
    std::string body;
    std::string contentType;
    std::string url;  // the last hop's, in wire form

    bool ok() const { return failure == HttpFailure::None; }
};

}  // namespace pardovane
