#pragma once

#include <string>

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
    ReceiveFailed,  // e.g. the connection was reset
    NotHttp,        // the server answered, but not in HTTP
    Transfer,       // any other network failure
};

const char* HttpFailureName(HttpFailure failure);

struct ProbeResult {
    long status = 0;  // of the final response; 0 when there was none
    HttpFailure failure = HttpFailure::None;
    std::string detail;  // curl's own words, for people

    bool good() const { return failure == HttpFailure::None && status > 0 && status < 400; }
};

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
