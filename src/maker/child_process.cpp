#include "maker/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "common/unique_stream.h"
#include "maker/descriptor_io.h"
#include "maker/unique_fd.h"

namespace ZORVANE {

namespace {

// The child's own exit statuses, for what fails around the work.
constexpr int kSetUpFailed = 125, kAnswerNotWritten = 126;

// No handler of the maker's (the one that removes its temporary file) may run
// in the child; what a caller ignores stays ignored.
void DefaultSignals() {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_IGN) {
            sigaction(signal, &byDefault, nullptr);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// A library's messages must not reach the maker's output, the JSON of --describe.
bool QuietOutput() {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return false;
    const bool quiet = dup2(null, STDOUT_FILENO) >= 0 && dup2(null, STDERR_FILENO) >= 0;
    if (null > STDERR_FILENO) close(null);
    return quiet;
}

// The address space the process has now: under a sanitizer that is
// terabytes of reserved shadow, so the limit is set above it.
bool MappedBytes(std::uint64_t& bytes) {
    const UniqueStream statm(std::fopen("/proc/self/statm", "re"));
    unsigned long long pages = 0;
    if (!statm || std::fscanf(statm.get(), "%llu", &pages) != 1) return false;
    bytes = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return true;
}

bool LimitChild(std::uint64_t extraAddressSpace) {
    const rlimit noCore{0, 0};
    std::uint64_t mapped = 0;
    rlimit space{};
    if (setrlimit(RLIMIT_CORE, &noCore) != 0 || !MappedBytes(mapped) || getrlimit(RLIMIT_AS, &space) != 0) {
        return false;
    }
    // Never above a limit the caller set.
    space.rlim_cur = std::min<rlim_t>(space.rlim_cur, mapped + extraAddressSpace);
    return setrlimit(RLIMIT_AS, &space) == 0;
}

[[noreturn]] void RunChild(const std::function<std::string()>& work, int answer, std::uint64_t extraAddressSpace) {
    DefaultSignals();
    if (!QuietOutput() || !LimitChild(extraAddressSpace)) _exit(kSetUpFailed);
    const std::string written = work();
    _exit(WriteAll(answer, written.data(), written.size()) ? 0 : kAnswerNotWritten);
}

enum class Reading { Ended, TimedOut, TooLong };

// Until the child closes its end (it has ended), the limit or the time is up.
Reading ReadAnswer(int fd, const ChildLimits& limits, std::string& answer) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.timeoutMs);
    char buffer[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        const int ready = left > 0 ? poll(&wait, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Reading::TimedOut;  // a failed poll cannot wait either
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return Reading::Ended;
        answer.append(buffer, static_cast<std::size_t>(got));
        if (answer.size() > limits.largestAnswer) return Reading::TooLong;
    }
}

// A caller that ignores SIGCHLD would have the child reaped unseen, and its
// status lost.
class ChildStatusKept {
public:
    ChildStatusKept() {
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        sigaction(SIGCHLD, &byDefault, &previous_);
    }
    ~ChildStatusKept() { sigaction(SIGCHLD, &previous_, nullptr); }
    ChildStatusKept(const ChildStatusKept&) = delete;
    ChildStatusKept& operator=(const ChildStatusKept&) = delete;

private:
    struct sigaction previous_ {};
};

bool Reap(pid_t child, int& status) {
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {}
    return waited == child;
}

void Classify(Reading reading, int status, ChildResult& result) {
    if (reading == Reading::TimedOut) {
        result.outcome = ChildOutcome::TimedOut;
    } else if (reading == Reading::TooLong) {
        result.outcome = ChildOutcome::AnswerTooLong;
    } else if (WIFSIGNALED(status)) {
        result.outcome = ChildOutcome::Crashed;
        result.detail = WTERMSIG(status);
    } else {
        result.detail = WEXITSTATUS(status);
        result.outcome = result.detail == 0 ? ChildOutcome::Answered : ChildOutcome::Failed;
    }
}

}  // namespace

ChildResult RunInChild(const std::function<std::string()>& work, const ChildLimits& limits) {
    ChildResult result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.detail = errno;
        return result;
    }
    const UniqueFd reading(ends[0]);
    UniqueFd writing(ends[1]);
    const ChildStatusKept kept;
    const pid_t child = fork();
    if (child < 0) {
        result.detail = errno;
        return result;
    }
    if (child == 0) RunChild(work, writing.get(), limits.extraAddressSpace);
    writing.reset();  // the child's end alone: its exit ends the answer
    const Reading read = ReadAnswer(reading.get(), limits, result.answer);
    if (read != Reading::Ended) kill(child, SIGKILL);
    int status = 0;
    if (!Reap(child, status)) {
        result.outcome = ChildOutcome::Failed;
        result.detail = -1;
        return result;
    }
    Classify(read, status, result);
    return result;
}

}  // namespace ZORVANE
