#pragma once

#include "engine/http/http_settings.h"

namespace pardovane {

// The settings with the trusted authorities named by the environment, read
// as the curl tool reads them: CURL_CA_BUNDLE names a file; without it,
// SSL_CERT_DIR a directory and SSL_CERT_FILE a file. Locations already set
// are kept.
HttpSettings WithCaEnvironment(HttpSettings settings);

}  // namespace pardovane
