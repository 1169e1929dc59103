#include "maker/temporary_file.h"

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ZORVANE {

namespace {

// One slot per output a run may write: the launcher and four metadata files.
constexpr int kSlots = 8;
char temporaryPaths[kSlots][PATH_MAX];
volatile sig_atomic_t created[kSlots] = {};

// Every signal whose default action ends the process and that can be
// caught, but SIGILL and SIGTRAP, which a handler could not pass on (and
// debuggers own).
constexpr int kEndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGABRT, SIGBUS,  SIGFPE,    SIGUSR1, SIGSEGV, SIGUSR2,
    SIGPIPE,   SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGIO
    SIGIO,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

void RemoveAndEnd(int signal) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (created[slot]) unlink(temporaryPaths[slot]);
    }
    // SA_RESETHAND restored the default action: the process ends as the
    // signal asks once the handler returns.
    raise(signal);
}

sigset_t CleanupSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kEndingSignals) sigaddset(&set, signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaddset(&set, signal);
    return set;
}

void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    action.sa_flags = SA_RESETHAND;
    action.sa_mask = CleanupSignals();
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&action.sa_mask, signal) != 1) continue;
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        // A signal ignored by whoever started us (nohup) stays ignored, and a
        // sanitizer's report of a fault stays its own.
        const bool takeable = (previous.sa_flags & SA_SIGINFO) == 0 &&
                              (previous.sa_handler == SIG_DFL || previous.sa_handler == RemoveAndEnd);
        if (takeable) sigaction(signal, &action, nullptr);
    }
}

int FreeSlot() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!created[slot]) return slot;
    }
    return -1;
}

}  // namespace

int CreateTemporaryFile(const std::string& pathTemplate, std::string& path) {
    if (pathTemplate.size() >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int slot = FreeSlot();
    if (slot < 0) {
        errno = EMFILE;
        return -1;
    }
    InstallHandlers();
    // No signal between the file's creation and its handler knowing its name.
    const sigset_t blocked = CleanupSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    std::memcpy(temporaryPaths[slot], pathTemplate.c_str(), pathTemplate.size() + 1);
    const int fd = mkstemp(temporaryPaths[slot]);
    const int error = errno;
    created[slot] = fd >= 0;
    if (fd >= 0) path = temporaryPaths[slot];
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return fd;
}

void ForgetTemporaryFile(const std::string& path) {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (created[slot] && path == temporaryPaths[slot]) created[slot] = 0;
    }
}

}  // namespace ZORVANE
