#include "launch/extraction.h"

#include "core/fatal_error.h"
#include "core/log.h"
#include "core/wide_text.h"
#include "launch/package_file.h"

namespace ZORVANE {

namespace {

// Each way the held file can fail, in a line and a text of its own.
LaunchResult NotHeld(const char* path, const HoldResult& held) {
    const DWORD error = held.openError != ERROR_SUCCESS ? held.openError : held.readBack.error;
    const std::string reason = SystemErrorText(error);
    if (held.openError != ERROR_SUCCESS) {
        WriteLog(kLaunchComponent, "Surprise", "couldn't hold package in %s, error %lu", path, error);
        return LaunchResult::Failed(
            Formatted("the installer package in %s could not be held: %s", path, reason.c_str()), error);
    }
    switch (held.readBack.outcome) {
        case ReadBack::NoMemory:
            WriteLog(kLaunchComponent, "Surprise", "not enough memory to check package in %s, error %lu", path, error);
            return LaunchResult::Failed(
                Formatted("there is not enough memory to check the installer package in %s: %s", path, reason.c_str()),
                error);
        case ReadBack::Unreadable:
            WriteLog(kLaunchComponent, "Surprise", "couldn't read back package in %s, error %lu", path, error);
            return LaunchResult::Failed(
                Formatted("the installer package in %s could not be read back: %s", path, reason.c_str()), error);
        case ReadBack::Same:
        case ReadBack::Different: break;
    }
    WriteLog(kLaunchComponent, "Surprise", "package in %s changed after it was written", path);
    return LaunchResult::Failed(
        Formatted("the installer package in %s was changed before it could be installed.", path));
}

}  // namespace

ExtractedPackage ExtractAndHold(TmpFileGenerator& file, const ResourceView& package) {
    const std::string path = file.GetFileName();
    // The package's own pages and the held file's are both read through mappings.
    const FatalOnUnreadablePage unreadable(kLaunchComponent, "couldn't read the package's bytes for " + path);
    const DWORD writeError = WritePackage(file.Writer(), package);
    // Closed in any case: the close may be what fails to write.
    const DWORD closeError = file.CloseWriter();
    if (writeError != ERROR_SUCCESS || closeError != ERROR_SUCCESS) {
        WriteLog(kLaunchComponent, "Surprise", "couldn't write package to %s", path.c_str());
        return {UniqueFile(),
                LaunchResult::Failed(Formatted("the installer package could not be written to %s.", path.c_str()),
                                     writeError != ERROR_SUCCESS ? writeError : closeError)};
    }
    HoldResult held = HoldWrittenPackage(path, package);
    if (!held.hold) return {UniqueFile(), NotHeld(path.c_str(), held)};
    return {std::move(held.hold), LaunchResult()};
}

}  // namespace ZORVANE
