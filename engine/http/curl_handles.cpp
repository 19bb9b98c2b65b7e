#include "engine/http/curl_handles.h"

namespace pardovane {

void EnsureCurlGlobalInit()
{
    // A function-local static runs once, and the cleanup pairs with it at exit.
    struct Global {
        Global() { curl_global_init(CURL_GLOBAL_DEFAULT); }
        ~Global() { curl_global_cleanup(); }
    };
    static Global global;
}

}  // namespace pardovane
