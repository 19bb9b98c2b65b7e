#pragma once

#include <curl/curl.h>

namespace pardovane {

// How a run spends the time its transfers are on the network. The command
// line sleeps in curl's poll; a window keeps handling its own events.
class NetworkWait {
public:
    virtual ~NetworkWait() = default;

    // Returns once a transfer of multi may move on, or after at most
    // timeoutMs; returning early is harmless.
    virtual CURLMcode Wait(CURLM* multi, long timeoutMs) = 0;
};

}  // namespace pardovane
