// The child process that runs libmsi: whatever the work does, the maker
// learns how it ended and only what it wrote back.
#include "maker/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>

namespace ZORVANE {
namespace {

volatile sig_atomic_t handled = 0;
void Handle(int) { handled = 1; }

std::string Allocate() {
    // Far past the test's limit; touched through volatile, so that no
    // compiler leaves the allocation out.
    const std::size_t size = std::size_t{512} << 20;
    volatile char* memory = static_cast<volatile char*>(std::malloc(size));
    if (memory == nullptr) return "refused";
    for (std::size_t at = 0; at < size; at += 4096) memory[at] = 1;
    return "allocated";
}

// Each row: what the work does, and how the run must end.
const struct {
    const char* name;
    std::function<std::string()> work;
    ChildOutcome outcome;
    int detail;
    std::string answer;
} kRuns[] = {
    {"answers", [] { return std::string("LMPI\0x", 6); }, ChildOutcome::Answered, 0, std::string("LMPI\0x", 6)},
    {"answers nothing", [] { return std::string(); }, ChildOutcome::Answered, 0, ""},
    {"crashes", [] { return raise(SIGSEGV), std::string("late"); }, ChildOutcome::Crashed, SIGSEGV, ""},
    {"aborts", []() -> std::string { std::abort(); }, ChildOutcome::Crashed, SIGABRT, ""},
    // The maker's own handler (here: one that returns) must not run there.
    {"is sent a signal the maker handles", [] { return raise(SIGUSR1), std::string("handled"); }, ChildOutcome::Crashed,
     SIGUSR1, ""},
    {"exits on its own", []() -> std::string { _exit(3); }, ChildOutcome::Failed, 3, ""},
    {"hangs", [] { return sleep(30), std::string("late"); }, ChildOutcome::TimedOut, 0, ""},
    {"answers more than the limit", [] { return std::string(3 << 20, 'x'); }, ChildOutcome::AnswerTooLong, 0, ""},
    // What a library prints goes nowhere: --describe's JSON is on stdout.
    {"prints", [] { return std::printf("noise\n"), std::fflush(stdout), write(2, "noise\n", 6), std::string("ok"); },
     ChildOutcome::Answered, 0, "ok"},
};

TEST(ChildProcess, EveryEndIsToldApartAndOnlyTheAnswerComesBack) {
    struct sigaction handler {};
    handler.sa_handler = Handle;
    struct sigaction previous {};
    sigaction(SIGUSR1, &handler, &previous);
    ChildLimits limits;
    limits.timeoutMs = 300;
    for (const auto& run : kRuns) {
        const auto start = std::chrono::steady_clock::now();
        testing::internal::CaptureStdout();
        const ChildResult result = RunInChild(run.work, limits);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << run.name;
        EXPECT_EQ(result.outcome, run.outcome) << run.name;
        EXPECT_EQ(result.detail, run.detail) << run.name;
        if (run.outcome == ChildOutcome::Answered) {
            EXPECT_EQ(result.answer, run.answer) << run.name;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << run.name;
    }
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(handled, 0);
}

TEST(ChildProcess, MemoryPastTheLimitIsNotHad) {
    ChildLimits limits;
    limits.extraAddressSpace = 64 << 20;
    const ChildResult result = RunInChild(Allocate, limits);
    EXPECT_TRUE(result.outcome != ChildOutcome::Answered || result.answer == "refused") << result.answer;
    EXPECT_EQ(RunInChild(Allocate).answer, "allocated");  // the default limit takes it
}

// A caller that ignores SIGCHLD (a build tool's shell) would have the
// child reaped unseen: its answer must still count.
TEST(ChildProcess, AnIgnoredChildSignalStillGivesTheStatus) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGCHLD, &ignore, &previous);
    const ChildResult result = RunInChild([] { return std::string("ok"); });
    struct sigaction after {};
    sigaction(SIGCHLD, &previous, &after);
    EXPECT_EQ(result.outcome, ChildOutcome::Answered);
    EXPECT_EQ(after.sa_handler, SIG_IGN);  // the caller's choice put back
}

}  // namespace
}  // namespace ZORVANE
