#include "ui/event_loop_wait.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace pardovane {
namespace {

// Short enough that painting and closing feel immediate, long enough that an
// idle wait costs next to nothing.
constexpr long kSliceMs = 10;
// How long the window may go without handling its events while a run finds
// its answers ready: well under what a user notices as a stall.
constexpr auto kTurnMs = std::chrono::milliseconds(20);

}  // namespace

CURLMcode EventLoopWait::Wait(CURLM* multi, long timeoutMs)
{
    const long slice = std::clamp(timeoutMs, 0L, kSliceMs);
    const CURLMcode code = curl_multi_poll(multi, nullptr, 0, static_cast<int>(slice), nullptr);
    // A broken multi handle returns at once; do not spin on it.
    if (code != CURLM_OK)
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    TakeTurn();
    return code;
}

void EventLoopWait::BeforeQuestion()
{
    if (std::chrono::steady_clock::now() - lastTurn_ >= kTurnMs)
        TakeTurn();
}

void EventLoopWait::TakeTurn()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    lastTurn_ = std::chrono::steady_clock::now();
}

}  // namespace pardovane
