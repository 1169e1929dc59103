// The package's product info read by libmsi in a child process, from the
// descriptor the maker already has open: the info describes the very bytes
// the launcher carries, and a package that crashes libmsi (msitools trusts
// its input) ends only the child.
#pragma once

#include "maker/child_process.h"
#include "maker/package_info.h"

namespace ZORVANE {

enum class PackageInfoStatus {
    Read,
    NotDatabase,  // libmsi read it, and it is no database
    Crashed,      // the reader ended by a signal (detail): a crash or a limit
    TimedOut,
    Garbled,    // the reader failed (detail: its exit status) or its answer is not one
    NoProcess,  // no child could be started (detail: errno)
};

struct PackageInfoResult {
    PackageInfoStatus status = PackageInfoStatus::NoProcess;
    int detail = 0;
};

// Only Read fills info. fd stays open and its position unchanged: libmsi
// opens the file again through /proc/self/fd.
[[nodiscard]] PackageInfoResult ReadPackageInfoApart(int fd, PackageInfo& info, const ChildLimits& limits = {});

}  // namespace ZORVANE
