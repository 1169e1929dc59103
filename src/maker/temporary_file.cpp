#include "maker/temporary_file.h"

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ZORVANE {

namespace {

char temporaryPath[PATH_MAX];
volatile sig_atomic_t created = 0;

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
    if (created) unlink(temporaryPath);
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

}  // namespace

int CreateTemporaryFile(const std::string& pathTemplate, std::string& path) {
    if (pathTemplate.size() >= sizeof temporaryPath) {
        errno = ENAMETOOLONG;
        return -1;
    }
    InstallHandlers();
    // No signal between the file's creation and its handler knowing its name.
    const sigset_t blocked = CleanupSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    std::memcpy(temporaryPath, pathTemplate.c_str(), pathTemplate.size() + 1);
    const int fd = mkstemp(temporaryPath);
    const int error = errno;
    created = fd >= 0;
    if (fd >= 0) path = temporaryPath;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return fd;
}

void ForgetTemporaryFile() { created = 0; }

}  // namespace ZORVANE
