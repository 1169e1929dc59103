#include "launch/default_action.h"

#include "common/path_names.h"
#include "core/fatal_error.h"
#include "core/log.h"
#include "core/wide_text.h"
#include "launch/extraction.h"
#include "launch/installer_command_line.h"
#include "launch/installer_start.h"
#include "launch/integrity.h"
#include "launch/kept_package.h"
#include "launch/package_place.h"

namespace ZORVANE {

namespace {

constexpr char kNotInstalled[] = "The installation could not be started: ";

}  // namespace

std::string PackageNameFromModulePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string utf8;
    if (length == 0 || length >= MAX_PATH || !Narrow(path, length, utf8)) return std::string();
    return WithoutExtension(FileNameOf(utf8)) + ".msi";
}

unsigned long DefaultAction::ExitCode(bool succeeded) const { return succeeded ? exitCode_ : kLauncherFailure; }

bool DefaultAction::Run(const ArgumentList& arguments) {
    SetFatalExitCode(kLauncherFailure);
    const OwnPayload payload = ReadOwnPayload();
    // An option line that could not be read leaves the arguments in force.
    const LaunchPlan plan = MakeLaunchPlan(payload.optionLine, arguments);
    const LaunchResult result = payload.read ? Install(plan, payload) : payload.failure;
    // A deployment system asks for silence; a person who started the setup
    // is never left without a word.
    if (!result.text.empty() && !plan.silent) ShowMessage(kNotInstalled + result.text);
    exitCode_ = result.exitCode;
    return result.installerEnded;
}

LaunchResult DefaultAction::Install(const LaunchPlan& plan, const OwnPayload& payload) {
    const std::string packageName = PackageNameFromModulePath();
    if (packageName.empty()) {
        WriteLog(Name(), "Surprise", "couldn't determine own file name");
        return LaunchResult::Failed("the setup is damaged.");
    }
    // Deletes the extracted package when it goes, after the hold is released.
    PackagePlace place = ChoosePackagePlace(packageName);
    if (!place.file) return place.failure;  // the run is abandoned, as logged
    ExtractedPackage extracted = ExtractAndHold(*place.file, payload.package);
    if (!extracted.hold) return extracted.failure;
    if (payload.keepPackage) {
        KeptPackage kept = KeepPackage(place.file->GetFileName(), payload.package, packageName);
        if (kept) {
            // The temporary copy has done its part: it goes before the installer runs.
            extracted.hold.reset();
            place.file.reset();
            const LaunchResult result = RunInstaller(kept.path, plan.options, plan.optionsFromResource);
            SettleKeptPackage(kept, result);
            return result;
        }
    }
    const ClosedOnFatalError closeHold(extracted.hold.get());
    return RunInstaller(place.file->GetFileName(), plan.options, plan.optionsFromResource);
}

LaunchResult DefaultAction::RunInstaller(const std::string& packagePath, const std::string& options,
                                         bool optionsFromResource) {
    const std::string program = InstallerProgramPath();
    if (program.empty()) {
        WriteLog(Name(), "Surprise", "couldn't find the system directory");
        return LaunchResult::Failed("the system directory is unknown.");
    }
    return StartAndWait(program, InstallerParameters(packagePath, options, optionsFromResource, ReadOwnIntegrityLevel));
}

}  // namespace ZORVANE
