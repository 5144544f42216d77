// The remembered temporary files and the signal handler that removes them.
// The handler may only use what is async-signal-safe: it reads a fixed
// table of open folders and names and calls unlinkat(), then restores the
// signal's default action and raises it again, so that the parent sees the
// signal's status.
#include "common/temporary_files.h"

#include <signal.h>
#include <unistd.h>

#include <fcntl.h>
#include <stdlib.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int slot_count = 16;
// The signals whose default action ends the process (SIGKILL and SIGSTOP
// cannot be caught), and the real-time ones, which end it too.
constexpr int ended_by_fixed[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS, SIGFPE,
                                  SIGUSR1, SIGSEGV, SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ,
                                  SIGVTALRM, SIGPROF, SIGPOLL, SIGSYS
#ifdef SIGSTKFLT
                                  , SIGSTKFLT
#endif
#ifdef SIGPWR
                                  , SIGPWR
#endif
};

std::vector<int> ended_by()
{
    std::vector<int> signals(std::begin(ended_by_fixed), std::end(ended_by_fixed));
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        signals.push_back(signal);
    return signals;
}

int folders[slot_count];
char names[slot_count][NAME_MAX + 1];
volatile sig_atomic_t in_use[slot_count];

// The table changes only while the signals are held back, so the handler
// never sees a path half written.
class tSignalsHeld {
public:
    tSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : ended_by())
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
            ::unlinkat(folders[slot], names[slot], 0);
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

int remember_temporary(int folder, const std::string& name)
{
    if (name.size() > NAME_MAX)
        return -1;
    tSignalsHeld held;
    for (int slot = 0; slot < slot_count; ++slot)
        if (!in_use[slot]) {
            folders[slot] = folder;
            std::memcpy(names[slot], name.c_str(), name.size() + 1);
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
    const std::vector<int> signals = ended_by();
    for (const int signal : signals) {
        // Ignored, or already handled (a sanitizer's fault handler): left so.
        struct sigaction before;
        if (sigaction(signal, nullptr, &before) != 0 || (before.sa_flags & SA_SIGINFO)
            || before.sa_handler != SIG_DFL)
            continue;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = remove_and_end;
        sigemptyset(&action.sa_mask);
        // Each signal holds back the others while the files are removed.
        for (const int other : signals)
            sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

std::string temporary_folder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && tmp[0] == '/' ? tmp : "/tmp";
}

int private_temporary_file(std::string& error)
{
    const std::string folder = temporary_folder();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: a named one, its name removed at once.
        std::string name = folder + "/brenlow-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0 && ::unlink(name.c_str()) != 0) {
            // Empty still, and 0600.
            error = "the temporary file '" + name + "' is left behind (it could not be removed: "
                    + std::strerror(errno) + "); it is empty, and only its owner can read it";
            ::close(fd);
            return -1;
        }
    }
    if (fd < 0)
        error = "cannot make a temporary file in " + folder + ": " + std::strerror(errno);
    return fd;
}
