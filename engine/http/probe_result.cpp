#include "engine/http/probe_result.h"

namespace pardovane {

const char* HttpFailureName(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None:
        return "none";
    case HttpFailure::RefusedScheme:
        return "refused scheme";
    case HttpFailure::LocalFile:
        return "local file";
    case HttpFailure::MalformedUrl:
        return "malformed URL";
    case HttpFailure::NoRequestObject:
        return "no request object";
    case HttpFailure::NameNotFound:
        return "name not found";
    case HttpFailure::ConnectionRefused:
        return "connection refused";
    case HttpFailure::Timeout:
        return "time-out";
    case HttpFailure::TooManyRedirects:
        return "too many redirects";
    case HttpFailure::NameLookupTimeout:
        return "name lookup time-out";
    case HttpFailure::Tls:
        return "TLS error";
    case HttpFailure::TlsHandshake:
        return "TLS handshake failed";
    case HttpFailure::CertExpired:
        return "certificate expired";
    case HttpFailure::CertNotYetValid:
        return "certificate not yet valid";
    case HttpFailure::CertWrongHost:
        return "certificate for another host";
    case HttpFailure::CertSelfSigned:
        return "self-signed certificate";
    case HttpFailure::CertUnknownIssuer:
        return "unknown certificate issuer";
    case HttpFailure::TooLarge:
        return "too large";
    case HttpFailure::GotNothing:
        return "got nothing";
    case HttpFailure::SendFailed:
        return "send failed";
    case HttpFailure::ReceiveFailed:
        return "receive failed";
    case HttpFailure::NotHttp:
        return "not HTTP";
    case HttpFailure::Transfer:
        return "transfer failed";
    case HttpFailure::FileNotFound:
        return "file not found";
    case HttpFailure::NoSuchFile:
        return "no such file";
    case HttpFailure::PermanentRedirect:
        return "permanent redirect";
    case HttpFailure::SoftNotFound:
        return "soft 404";
    }
    return "unknown";
}

std::string WarningReason(const ProbeResult& result)
{
    switch (result.warning) {
    case ProbeWarning::None:
        break;
    case ProbeWarning::PermanentRedirect:
        return "permanent redirect";
    case ProbeWarning::BotWall:
        return "blocked by bot protection (HTTP " + std::to_string(result.status) + ")";
    }
    return {};
}

bool ProbeResult::movedPermanently() const
{
    for (const Redirect& hop : redirects)
        if (hop.status == 301 || hop.status == 308)
            return true;
    return false;
}

}  // namespace pardovane
