// The files one run of the maker writes, handled as one: every output is
// checked before anything is written, each is written beside its name, and
// they take their names only when all are complete, so that a failure
// leaves every name as it was.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "maker/input_file.h"
#include "maker/pending_output.h"

namespace ZORVANE {

class OutputSet {
public:
    // replace: an existing regular file may be replaced (--force).
    explicit OutputSet(bool replace) : replace_(replace) {}

    // Plans an output with the permissions a new file of mode gets; returns
    // the number the other calls take.
    std::size_t Add(const std::string& path, mode_t mode);

    // Refuses, with one line naming the file, an output whose folder cannot
    // be found, that is named twice, that is one of inputs (by device and
    // inode, through links), that exists and is no regular file (a folder,
    // a device, a FIFO, or a link to one), or that exists when it may not be
    // replaced.
    [[nodiscard]] bool Check(const std::vector<FileIdentity>& inputs) const;

    // Creates the file that output is written to; its stream, or null (reported).
    [[nodiscard]] std::FILE* Stage(std::size_t output);
    [[nodiscard]] bool StageText(std::size_t output, const std::string& text);

    // Completes every staged file, then names each. When naming one fails,
    // those named before it that replaced nothing are removed again; a
    // second line names any that replaced a file. Failures are reported.
    [[nodiscard]] bool Publish();

private:
    struct Output {
        std::string path;
        mode_t mode;
        std::unique_ptr<PendingOutput> pending;  // null until staged
    };

    [[nodiscard]] bool CheckOne(const Output& output, const std::vector<FileIdentity>& inputs) const;
    void Withdraw(std::size_t failed, const std::vector<bool>& replaced);

    bool replace_;
    std::vector<Output> outputs_;
};

}  // namespace ZORVANE
