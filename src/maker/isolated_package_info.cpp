#include "maker/isolated_package_info.h"

#include <string>

#include "maker/package_info_answer.h"

namespace ZORVANE {

namespace {

PackageInfoStatus StatusOf(const ChildResult& child, PackageInfo& info) {
    switch (child.outcome) {
        case ChildOutcome::Answered: break;
        case ChildOutcome::Crashed: return PackageInfoStatus::Crashed;
        case ChildOutcome::TimedOut: return PackageInfoStatus::TimedOut;
        case ChildOutcome::Failed:
        case ChildOutcome::AnswerTooLong: return PackageInfoStatus::Garbled;
        case ChildOutcome::NotStarted: return PackageInfoStatus::NoProcess;
    }
    switch (DecodePackageAnswer(child.answer, info)) {
        case PackageAnswer::Read: return PackageInfoStatus::Read;
        case PackageAnswer::NotDatabase: return PackageInfoStatus::NotDatabase;
        case PackageAnswer::Garbled: break;
    }
    return PackageInfoStatus::Garbled;
}

}  // namespace

PackageInfoResult ReadPackageInfoApart(int fd, PackageInfo& info, const ChildLimits& limits) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const ChildResult child = RunInChild(
        [&path] {
            PackageInfo read;
            return EncodePackageAnswer(ReadPackageInfo(path, read) ? &read : nullptr);
        },
        limits);
    PackageInfoResult result;
    result.status = StatusOf(child, info);
    result.detail = child.detail;
    return result;
}

}  // namespace ZORVANE
