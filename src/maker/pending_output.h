// The new launcher while it is written: a temporary file in the output's
// folder that takes the output's name only when complete and on disk.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

#include "common/unique_stream.h"

namespace ZORVANE {

class PendingOutput {
public:
    PendingOutput() = default;
    // Removes the temporary file unless it was published.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Creates the temporary file beside target, with the permissions a new
    // file of mode gets. Failures are reported on stderr.
    [[nodiscard]] bool Create(const std::string& target, mode_t mode);

    std::FILE* Stream() const { return stream_.get(); }

    // Writes what is buffered and closes the file, so that only its naming
    // is left to fail. Failures are reported.
    [[nodiscard]] bool Complete();

    // Completes the file and gives it the target's name; an existing
    // target is replaced only when replace is set, and replaced tells
    // whether one was. Failures are reported.
    [[nodiscard]] bool Publish(bool replace, bool& replaced);

private:
    [[nodiscard]] bool MoveIntoPlace(bool replace, bool& replaced);
    // False with errno set, EEXIST when the name is taken.
    [[nodiscard]] bool MoveToNewName();
    void Discard();

    std::string target_;
    std::string temporary_;  // empty once it names no file of ours
    UniqueStream stream_;
};

}  // namespace ZORVANE
