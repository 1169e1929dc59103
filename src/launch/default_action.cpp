#include "launch/default_action.h"

#include <shellapi.h>

#include "core/fatal_error.h"
#include "core/log.h"
#include "common/forwarded_arguments.h"
#include "common/path_names.h"
#include "common/payload.h"
#include "core/system_files.h"
#include "core/unique_handles.h"
#include "core/wide_text.h"
#include "launch/installer_command_line.h"
#include "launch/integrity.h"
#include "launch/own_resource.h"
#include "launch/package_file.h"
#include "common/silent_options.h"
#include "launch/tmp_file_generator.h"

namespace ZORVANE {

namespace {

constexpr char kTemporaryPrefix[] = "TVX_INST";
constexpr char kShellLibrary[] = "shell32.dll";
// What starting the installer loads: the shell (with user32 and gdi32), then
// the COM libraries that ShellExecuteEx loads on first use.
constexpr const char* kInstallerStartLibraries[] = {kShellLibrary, "ole32.dll", nullptr};
constexpr char kNotInstalled[] = "The installation could not be started: ";

std::string ReservationProblem(const ReservationFailure& failure) {
    if (failure.folder.empty()) return "the temporary folder is unknown.";
    if (failure.error == 0) return "the temporary folder " + failure.folder + " holds no free file name.";
    return "no file can be created in the temporary folder " + failure.folder + ": " + SystemErrorText(failure.error);
}

}  // namespace

std::string PackageNameFromModulePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string utf8;
    if (length == 0 || length >= MAX_PATH || !Narrow(path, length, utf8)) return std::string();
    return WithoutExtension(FileNameOf(utf8)) + ".msi";
}

bool DefaultAction::ReadOptionLine(HMODULE module, std::string& optionLine) {
    ResourceView params;
    switch (LoadOwnResource(module, kParamsResourceType, kParamsResourceId, params)) {
        case ResourceLookup::Absent: return true;
        case ResourceLookup::Unloadable:
            WriteLog(Name(), "Surprise", "couldn't load params resource although exist");
            return true;
        case ResourceLookup::Loaded: break;
    }
    if (OptionTextToUtf8(ParamsText(params), optionLine)) return true;
    // Options guessed at could install something else than asked for.
    WriteLog(Name(), "Surprise", "couldn't read params resource");
    return false;
}

bool DefaultAction::ReadPackage(HMODULE module, ResourceView& package) {
    switch (LoadOwnResource(module, kPackageResourceType, kPackageResourceId, package)) {
        case ResourceLookup::Absent: WriteLog(Name(), "Surprise", "couldn't find resource"); return false;
        case ResourceLookup::Unloadable: WriteLog(Name(), "Surprise", "couldn't load resource"); return false;
        case ResourceLookup::Loaded: break;
    }
    return package.size != 0;  // an empty package counts as none
}

unsigned long DefaultAction::ExitCode(bool succeeded) const {
    return succeeded ? installerExitCode_ : kLauncherFailure;
}

bool DefaultAction::Fail(std::string reason) {
    failure_ = std::move(reason);
    return false;
}

bool DefaultAction::Run(const ArgumentList& arguments) {
    SetFatalExitCode(kLauncherFailure);
    optionsInForce_ = OptionsFromArguments(arguments);
    if (Launch()) return true;
    // A deployment system asks for silence; a person who started the setup
    // is never left without a word.
    if (!installerStarted_ && !RequestsSilentRun(optionsInForce_)) {
        ShowMessage(kNotInstalled + (failure_.empty() ? std::string("the setup is damaged.") : failure_));
    }
    return false;
}

bool DefaultAction::Launch() {
    // Loading the shell and COM takes milliseconds on Windows too: it overlaps the write.
    PreloadSystemLibraries(kInstallerStartLibraries);
    HMODULE module = GetModuleHandleW(nullptr);
    if (module == nullptr) {
        WriteLog(Name(), "Surprise", "failed to get module handle");
        return false;
    }
    std::string optionLine;
    if (!ReadOptionLine(module, optionLine)) return false;
    if (!optionLine.empty()) optionsInForce_ = optionLine;

    ResourceView package;
    if (!ReadPackage(module, package)) return Fail("the setup carries no installer package.");

    const std::string packageName = PackageNameFromModulePath();
    if (packageName.empty()) {
        WriteLog(Name(), "Surprise", "couldn't determine own file name");
        return false;
    }

    // Owns the extracted package until the installer has ended.
    ReservationFailure reservationFailure;
    std::unique_ptr<TmpFileGenerator> reservation =
        TmpFileGenerator::Create(true, kTemporaryPrefix, packageName, reservationFailure);
    if (!reservation) return Fail(ReservationProblem(reservationFailure));  // the run is abandoned, as logged
    const std::string packagePath = reservation->GetFileName();
    if (!WritePackage(packagePath, package)) {
        WriteLog(Name(), "Surprise", "couldn't write package to %s", packagePath.c_str());
        return Fail("the installer package could not be written to " + packagePath + ".");
    }
    // Released before the reservation deletes the file.
    UniqueFile hold = HoldWrittenPackage(packagePath, package);
    if (!hold) {
        WriteLog(Name(), "Surprise", "package in %s changed after it was written", packagePath.c_str());
        return Fail("the installer package in " + packagePath + " was changed before it could be installed.");
    }
    const ClosedOnFatalError closeHold(hold.get());
    return RunInstaller(packagePath, optionsInForce_, !optionLine.empty());
}

bool DefaultAction::RunInstaller(const std::string& packagePath, const std::string& options, bool optionsFromResource) {
    const std::string program = InstallerProgramPath();
    if (program.empty()) {
        WriteLog(Name(), "Surprise", "couldn't find the system directory");
        return Fail("the system directory is unknown.");
    }
    std::wstring wideProgram, parameters;
    if (!Widen(program, wideProgram) ||
        !Widen(InstallerParameters(packagePath, options, optionsFromResource, ReadOwnIntegrityLevel), parameters)) {
        WriteLog(Name(), "Surprise", "couldn't start %s", program.c_str());
        return Fail("the installer options are not valid text.");
    }
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = L"open";
    request.lpFile = wideProgram.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    // "<program>" <parameters>, quotes put back included, must fit one process
    // command line: options are never passed on cut, whether or not the
    // platform would refuse them.
    if (!FitsCommandLine(CommandLineUnits(wideProgram.size(), parameters.size()))) {
        WriteLog(Name(), "Surprise", "couldn't start %s", program.c_str());
        return Fail("the installer options are longer than a command line can be.");
    }
    auto shellExecute = LoadSystemFunction<decltype(ShellExecuteExW)>(kShellLibrary, "ShellExecuteExW");
    if (shellExecute == nullptr || !shellExecute(&request) || request.hProcess == nullptr) {
        const DWORD error = shellExecute == nullptr ? ERROR_PROC_NOT_FOUND : GetLastError();
        WriteLog(Name(), "Surprise", "couldn't start %s", program.c_str());
        return Fail(program + " could not be started: " + SystemErrorText(error));
    }
    installerStarted_ = true;
    UniqueHandle installer(request.hProcess);
    DWORD exitCode = 0;
    if (WaitForSingleObject(installer.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(installer.get(), &exitCode)) {
        WriteLog(Name(), "Surprise", "couldn't wait for %s", program.c_str());
        return false;
    }
    WriteLog(Name(), "Events", "installer exited with code %lu", exitCode);
    installerExitCode_ = exitCode;
    return true;
}

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOW) == 60, "the 32-bit shell execute record is 60 bytes");
#endif

}  // namespace ZORVANE
