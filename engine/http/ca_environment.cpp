#include "engine/http/ca_environment.h"

#include <cstdlib>

namespace pardovane {
namespace {

const char* NonEmptyEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

HttpSettings WithCaEnvironment(HttpSettings settings)
{
    if (!settings.caFile.empty() || !settings.caDir.empty())
        return settings;
    if (const char* bundle = NonEmptyEnv("CURL_CA_BUNDLE")) {
        settings.caFile = bundle;
        return settings;
    }
    if (const char* dir = NonEmptyEnv("SSL_CERT_DIR"))
        settings.caDir = dir;
    if (const char* file = NonEmptyEnv("SSL_CERT_FILE"))
        settings.caFile = file;
    return settings;
}

}  // namespace pardovane
