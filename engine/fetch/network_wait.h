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
    // The run is about to ask for an answer. When answers come faster than
    // the run takes them, it never waits on the network; a front end that
    // shares the run's thread takes its turn here instead.
    virtual void BeforeQuestion() { }
};

}  // namespace pardovane
