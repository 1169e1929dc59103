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

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RemoveAndEnd(int signal) {
    if (created) unlink(temporaryPath);
    // SA_RESETHAND restored the default action: the process ends as the
    // signal asks once the handler returns.
    raise(signal);
}

sigset_t CleanupSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    return set;
}

void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    action.sa_flags = SA_RESETHAND;
    action.sa_mask = CleanupSignals();
    for (int signal : kSignals) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        // A signal ignored by whoever started us (nohup) stays ignored.
        if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
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
