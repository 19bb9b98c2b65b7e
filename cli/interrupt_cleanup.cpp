#include "cli/interrupt_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace pardovane {
namespace {

// Each ends the run as the user or the session asked; none may leave a
// temporary file behind.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The handler may only call async-signal-safe functions, so the paths live
// in fixed buffers that registration fills with those signals blocked.
constexpr int kSlots = 4;
char slotPaths[kSlots][PATH_MAX];
volatile sig_atomic_t slotUsed[kSlots];
volatile sig_atomic_t eraseProgressLine;

void OnInterrupt(int signal)
{
    for (int i = 0; i < kSlots; ++i)
        if (slotUsed[i])
            unlink(slotPaths[i]);
    if (eraseProgressLine) {
        const char erase[] = "\r\x1b[K";
        [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, erase, sizeof erase - 1);
    }
    _exit(128 + signal);
}

sigset_t HandledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

// Blocks the handled signals for its lifetime.
class InterruptsHeld {
public:
    InterruptsHeld()
    {
        const sigset_t handled = HandledSignals();
        sigprocmask(SIG_BLOCK, &handled, &previous_);
    }
    ~InterruptsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t previous_;
};

}  // namespace

void InstallInterruptCleanup(bool eraseLine)
{
    eraseProgressLine = eraseLine;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_mask = HandledSignals();
    // A signal ignored by whoever started us (nohup, a background job of a
    // script) stays ignored.
    for (const int signal : kSignals) {
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

bool RemoveOnInterrupt(const std::filesystem::path& path)
{
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX)
        return false;
    InterruptsHeld held;
    for (int i = 0; i < kSlots; ++i) {
        if (!slotUsed[i]) {
            std::memcpy(slotPaths[i], text.c_str(), text.size() + 1);
            slotUsed[i] = 1;
            return true;
        }
    }
    return false;
}

void ForgetOnInterrupt(const std::filesystem::path& path)
{
    InterruptsHeld held;
    for (int i = 0; i < kSlots; ++i)
        if (slotUsed[i] && path.native() == slotPaths[i])
            slotUsed[i] = 0;
}

}  // namespace pardovane
