#pragma once

#include "engine/fetch/network_wait.h"

#include <chrono>

namespace pardovane {

// Waits on the network in short slices and hands each gap to Qt, so that a
// window repaints, resizes, answers the window manager and hears a close
// request while a run on its thread waits for pages.
class EventLoopWait : public NetworkWait {
public:
    CURLMcode Wait(CURLM* multi, long timeoutMs) override;
    // Hands Qt a turn once kTurnMs have passed since the last.
    void BeforeQuestion() override;

private:
    void TakeTurn();

    std::chrono::steady_clock::time_point lastTurn_ = std::chrono::steady_clock::now();
};

}  // namespace pardovane
