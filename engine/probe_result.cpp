#include "probe_result.h"

namespace pardovane {

const char* HttpFailureName(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None: return "none";
    case HttpFailure::RefusedScheme: return "refused scheme";
    case HttpFailure::MalformedUrl: return "malformed URL";
    case HttpFailure::NoRequestObject: return "no request object";
    case HttpFailure::NameNotFound: return "name not found";
    case HttpFailure::ConnectionRefused: return "connection refused";
    case HttpFailure::Timeout: return "time-out";
    case HttpFailure::TooManyRedirects: return "too many redirects";
    case HttpFailure::Tls: return "TLS error";
    case HttpFailure::TooLarge: return "too large";
    case HttpFailure::Transfer: return "transfer failed";
    }
    return "unknown";
}

}  // namespace pardovane
