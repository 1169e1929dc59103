// Library code that reads untrusted input (libmsi over a package) runs in a
// child process: a crash, a hang or a runaway allocation there ends the
// child, and the maker learns only what the child wrote back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ZORVANE {

struct ChildLimits {
    unsigned timeoutMs = 60000;                        // wall clock; then the child is killed
    std::uint64_t extraAddressSpace = 1ull << 30;      // beyond what the process had mapped when it forked
    std::size_t largestAnswer = std::size_t{1} << 20;  // bytes the child may write back
};

enum class ChildOutcome {
    Answered,       // exited with status 0; answer is what it wrote
    Failed,         // exited with another status (detail)
    Crashed,        // ended by a signal (detail)
    TimedOut,       // killed at the time limit
    AnswerTooLong,  // wrote more than the limit, and was killed
    NotStarted,     // no pipe or no process (detail: errno)
};

struct ChildResult {
    ChildOutcome outcome = ChildOutcome::NotStarted;
    int detail = 0;
    std::string answer;
};

// Runs work in a forked child whose signals act as by default (no handler of
// the maker's runs there), whose standard output and error go to /dev/null,
// with no core file and the limits; what work returns is the answer. The
// child ends with _exit: nothing of the maker's (buffers, exit handlers) is
// flushed or run twice.
[[nodiscard]] ChildResult RunInChild(const std::function<std::string()>& work, const ChildLimits& limits = {});

}  // namespace ZORVANE
