// The remembered temporary files and the signal handler that removes them.
// The handler may only use what is async-signal-safe: it reads a fixed
// table of paths and calls unlink(), then restores the signal's default
// action and raises it again, so that the parent sees the signal's status.
#include "common/temporary_files.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace {

constexpr int slot_count = 16;
constexpr int ended_by[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

char paths[slot_count][PATH_MAX];
volatile sig_atomic_t in_use[slot_count];

// The table changes only while the signals are held back, so the handler
// never sees a path half written.
class tSignalsHeld {
public:
    tSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : ended_by)
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &before_);
    }
    ~tSignalsHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    tSignalsHeld(const tSignalsHeld&) = delete;
    tSignalsHeld& operator=(const tSignalsHeld&) = delete;

private:
    sigset_t before_;
};

extern "C" void remove_and_end(int signal)
{
    for (int slot = 0; slot < slot_count; ++slot)
        if (in_use[slot])
            ::unlink(paths[slot]);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t this_one;
    sigemptyset(&this_one);
    sigaddset(&this_one, signal);
    sigprocmask(SIG_UNBLOCK, &this_one, nullptr);
    raise(signal);
}

} // namespace

int remember_temporary(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    tSignalsHeld held;
    for (int slot = 0; slot < slot_count; ++slot)
        if (!in_use[slot]) {
            std::memcpy(paths[slot], path.c_str(), path.size() + 1);
            in_use[slot] = 1;
            return slot;
        }
    return -1;
}

void forget_temporary(int slot)
{
    if (slot < 0 || slot >= slot_count)
        return;
    tSignalsHeld held;
    in_use[slot] = 0;
}

void remove_temporaries_on_signals()
{
    for (const int signal : ended_by) {
        struct sigaction before;
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = remove_and_end;
        sigemptyset(&action.sa_mask);
        // Each signal holds back the others while the files are removed.
        for (const int other : ended_by)
            sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}
