#include "maker/pending_output.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "common/path_names.h"
#include "maker/temporary_file.h"
#include "maker/tool_report.h"
#include "maker/unique_fd.h"

namespace ZORVANE {

namespace {

mode_t CreationMask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

PendingOutput::~PendingOutput() { Discard(); }

void PendingOutput::Discard() {
    stream_.reset();
    if (temporary_.empty()) return;
    unlink(temporary_.c_str());
    ForgetTemporaryFile(temporary_);
    temporary_.clear();
}

bool PendingOutput::Create(const std::string& target, mode_t mode) {
    target_ = target;
    UniqueFd fd(CreateTemporaryFile(target.substr(0, FileNameStart(target, "/")) + ".launcher-make-XXXXXX", temporary_));
    if (!fd) {
        ReportFileErrno(target, errno);
        return false;
    }
    // mkstemp made it private; the output gets what a new copy of the source would.
    if (fchmod(fd.get(), mode & 0777 & ~CreationMask()) != 0) {
        ReportFileErrno(target, errno);
        return false;
    }
    stream_.reset(fdopen(fd.get(), "wb"));
    if (!stream_) {
        ReportFileErrno(target, errno);
        return false;
    }
    fd.release();
    return true;
}

bool PendingOutput::Complete() {
    if (!stream_) return true;
    // Full disks and quota often show only here. No fsync, as with cp or a
    // linker: the rename keeps a kill from leaving half a launcher, and
    // surviving a power cut is the build system's business.
    if (std::fflush(stream_.get()) != 0 || std::fclose(stream_.release()) != 0) {
        ReportFileErrno(target_, errno);
        return false;
    }
    return true;
}

bool PendingOutput::Publish(bool replace, bool& replaced) {
    replaced = false;
    if (!Complete() || !MoveIntoPlace(replace, replaced)) return false;
    ForgetTemporaryFile(temporary_);
    temporary_.clear();
    return true;
}

// A new name is tried first, so that replaced tells whether a file was replaced.
bool PendingOutput::MoveIntoPlace(bool replace, bool& replaced) {
    if (MoveToNewName()) return true;
    if (errno != EEXIST || !replace || rename(temporary_.c_str(), target_.c_str()) != 0) {
        ReportFileErrno(target_, errno);
        return false;
    }
    replaced = true;
    return true;
}

bool PendingOutput::MoveToNewName() {
    if (renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // Filesystems without RENAME_NOREPLACE: a hard link fails just as
    // atomically when the name is taken.
    if (link(temporary_.c_str(), target_.c_str()) != 0) return false;
    unlink(temporary_.c_str());
    return true;
}

}  // namespace ZORVANE
