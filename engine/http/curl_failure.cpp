#include "engine/http/curl_failure.h"

#include <cerrno>

namespace pardovane {
namespace {

// OpenSSL's X509_V_ERR_* values, as curl's verify result reports them.
HttpFailure CertificateFailure(long verifyResult)
{
    switch (verifyResult) {
    case 62:  // X509_V_ERR_HOSTNAME_MISMATCH
    case 64:  // X509_V_ERR_IP_ADDRESS_MISMATCH
        return HttpFailure::CertWrongHost;
    case 9:  // X509_V_ERR_CERT_NOT_YET_VALID
        return HttpFailure::CertNotYetValid;
    case 10:  // X509_V_ERR_CERT_HAS_EXPIRED
        return HttpFailure::CertExpired;
    case 18:  // X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
    case 19:  // X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN
        return HttpFailure::CertSelfSigned;
    case 2:   // X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT
    case 20:  // X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY
    case 21:  // X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE
        return HttpFailure::CertUnknownIssuer;
    default:
        return HttpFailure::Tls;
    }
}

}  // namespace

HttpFailure FailureFor(CURLcode code, CURL* easy, std::string_view errorText)
{
    switch (code) {
    case CURLE_URL_MALFORMAT:
        return HttpFailure::MalformedUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpFailure::NameNotFound;
    case CURLE_COULDNT_CONNECT: {
        // A server taking only so many connections accepts, then resets the rest.
        long osError = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
        return osError == ECONNRESET ? HttpFailure::ReceiveFailed : HttpFailure::ConnectionRefused;
    }
    case CURLE_OPERATION_TIMEDOUT:
        return errorText.starts_with("Resolving timed out") ? HttpFailure::NameLookupTimeout
                                                            : HttpFailure::Timeout;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpFailure::TooLarge;
    case CURLE_GOT_NOTHING:
        return HttpFailure::GotNothing;
    case CURLE_SEND_ERROR:
        return HttpFailure::SendFailed;
    case CURLE_RECV_ERROR:
        // curl refusing oversized headers is our limit, not a lost connection.
        return errorText.starts_with("Too large response headers") ? HttpFailure::Transfer
                                                                   : HttpFailure::ReceiveFailed;
    // Every URL's scheme is checked before curl sees it, so curl refusing the
    // protocol means the answer was not HTTP (it takes that for HTTP/0.9).
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_WEIRD_SERVER_REPLY:
        return HttpFailure::NotHttp;
    case CURLE_PEER_FAILED_VERIFICATION: {
        // curl checks the name itself, after a chain OpenSSL accepted.
        if (errorText.find("subject name") != std::string_view::npos)
            return HttpFailure::CertWrongHost;
        long verifyResult = -1;
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        return CertificateFailure(verifyResult);
    }
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
        return HttpFailure::TlsHandshake;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CRL_BADFILE:
        return HttpFailure::Tls;
    default:
        return HttpFailure::Transfer;
    }
}

std::string FailureDetail(CURLcode code, std::string_view errorText)
{
    std::string detail(errorText.empty() ? std::string_view(curl_easy_strerror(code)) : errorText);
    for (std::size_t at = 0; (at = detail.find(" after ", at)) != std::string::npos;) {
        std::size_t end = at + 7;
        while (end < detail.size() && detail[end] >= '0' && detail[end] <= '9')
            ++end;
        std::string_view unit;
        for (std::string_view candidate : {" milliseconds", " ms"})
            if (end > at + 7 && std::string_view(detail).substr(end).starts_with(candidate)) {
                unit = candidate;
                break;
            }
        if (unit.empty())
            at = end;
        else
            detail.erase(at, end + unit.size() - at);
    }
    return detail;
}

}  // namespace pardovane
