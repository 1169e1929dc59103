#include "launch/default_action.h"

#include <shellapi.h>

#include "core/fatal_error.h"
#include "core/log.h"
#include "core/path_names.h"
#include "core/payload.h"
#include "core/system_files.h"
#include "core/unique_handles.h"
#include "launch/installer_command_line.h"
#include "launch/integrity.h"
#include "launch/own_resource.h"
#include "launch/package_file.h"
#include "launch/tmp_file_generator.h"

namespace ZORVANE {

namespace {

constexpr char kTemporaryPrefix[] = "TVX_INST";
// Characters of a process command line, terminator included.
constexpr size_t kCommandLineLimit = 32767;
constexpr char kShellLibrary[] = "shell32.dll";
// What starting the installer loads: the shell (with user32 and gdi32), then
// the COM libraries that ShellExecuteEx loads on first use.
constexpr const char* kInstallerStartLibraries[] = {kShellLibrary, "ole32.dll", nullptr};

}  // namespace

std::string OptionsFromArguments(const ArgumentList& arguments) {
    std::string options;
    for (const std::string& argument : arguments) {
        options += argument;
        options += ' ';
    }
    return options;
}

std::string PackageNameFromModulePath() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return WithoutExtension(FileNameOf(path)) + ".msi";
}

std::string DefaultAction::ReadOptionLine(HMODULE module) {
    ResourceView params;
    switch (LoadOwnResource(module, kParamsResourceType, kParamsResourceId, params)) {
        case ResourceLookup::Absent: return std::string();
        case ResourceLookup::Unloadable:
            WriteLog(Name(), "Surprise", "couldn't load params resource although exist");
            return std::string();
        case ResourceLookup::Loaded: break;
    }
    return ParamsText(params);
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

bool DefaultAction::Run(const ArgumentList& arguments) {
    SetFatalExitCode(kLauncherFailure);
    // Loading the shell and COM takes milliseconds on Windows too: it overlaps the write.
    PreloadSystemLibraries(kInstallerStartLibraries);
    HMODULE module = GetModuleHandleA(nullptr);
    if (module == nullptr) {
        WriteLog(Name(), "Surprise", "failed to get module handle");
        return false;
    }
    const std::string optionLine = ReadOptionLine(module);

    ResourceView package;
    if (!ReadPackage(module, package)) return false;

    const std::string packageName = PackageNameFromModulePath();
    if (packageName.empty()) {
        WriteLog(Name(), "Surprise", "couldn't determine own file name");
        return false;
    }

    // Owns the extracted package until the installer has ended.
    std::unique_ptr<TmpFileGenerator> reservation =
        TmpFileGenerator::Create(true, kTemporaryPrefix, packageName);
    if (!reservation) return false;  // the run is abandoned, as logged
    const std::string packagePath = reservation->GetFileName();
    if (!WritePackage(packagePath, package)) {
        WriteLog(Name(), "Surprise", "couldn't write package to %s", packagePath.c_str());
        return false;
    }
    // Released before the reservation deletes the file.
    UniqueHandle hold = HoldWrittenPackage(packagePath, package);
    if (!hold) {
        WriteLog(Name(), "Surprise", "package in %s changed after it was written", packagePath.c_str());
        return false;
    }
    CloseOnFatalError(hold.get());
    const bool installed = optionLine.empty()
                               ? RunInstaller(packagePath, OptionsFromArguments(arguments), false)
                               : RunInstaller(packagePath, optionLine, true);
    CloseOnFatalError(nullptr);
    return installed;
}

bool DefaultAction::RunInstaller(const std::string& packagePath, const std::string& options,
                                 bool optionsFromResource) {
    const std::string program = InstallerProgramPath();
    if (program.empty()) {
        WriteLog(Name(), "Surprise", "couldn't find the system directory");
        return false;
    }
    const std::string parameters =
        InstallerParameters(packagePath, options, optionsFromResource, IsProcesPrivileged);

    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = "open";
    request.lpFile = program.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    // "<program>" <parameters> must fit one process command line: options are
    // never passed on cut, whether or not the platform would refuse them.
    const bool fits = program.size() + 3 + parameters.size() < kCommandLineLimit;
    auto shellExecute = LoadSystemFunction<decltype(ShellExecuteExA)>(kShellLibrary, "ShellExecuteExA");
    if (!fits || shellExecute == nullptr || !shellExecute(&request) || request.hProcess == nullptr) {
        WriteLog(Name(), "Surprise", "couldn't start %s", program.c_str());
        return false;
    }
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
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit shell execute record is 60 bytes");
#endif

}  // namespace ZORVANE
