// The default command: extract the embedded package and install it.
#pragma once

#include <windows.h>

#include <string>

#include "core/command.h"
#include "launch/own_resource.h"

namespace ZORVANE {

class DefaultAction : public Command {
public:
    DefaultAction() : Command("DefaultAction") {}

    // Writes the package to a reserved temporary file, runs the installer on
    // it, waits and deletes the file. False when no installer could be
    // started, the temporary file included; failures are logged, and shown
    // in a warning box unless the options in force ask for a silent run.
    [[nodiscard]] bool Run(const ArgumentList& arguments) override;

    // The installer's own exit code when it ran, unchanged; otherwise
    // kLauncherFailure.
    unsigned long ExitCode(bool succeeded) const override;

    // Starts msiexec on the package and returns when it has ended, keeping
    // its exit code. False when it could not be started or its end not seen.
    [[nodiscard]] virtual bool RunInstaller(const std::string& packagePath, const std::string& options,
                                            bool optionsFromResource);

    // "Fatal error during installation": every deployment system counts it as
    // a failure, and it is none of success (0), restart (3010, 1641) or retry
    // later (1618).
    static constexpr unsigned long kLauncherFailure = 1603;

private:
    [[nodiscard]] bool Launch();
    [[nodiscard]] bool ReadOptionLine(HMODULE module, std::string& optionLine);
    [[nodiscard]] bool ReadPackage(HMODULE module, ResourceView& package);
    [[nodiscard]] bool Fail(std::string reason);

    unsigned long installerExitCode_ = kLauncherFailure;
    bool installerStarted_ = false;
    std::string optionsInForce_;  // what msiexec gets, and what decides whether a failure is shown
    std::string failure_;         // why the installer was not started, for the person at the screen
};

// The name the package is extracted under: the launcher's own file name with
// its extension replaced by ".msi", in UTF-8. Empty when the own path is unknown.
std::string PackageNameFromModulePath();

}  // namespace ZORVANE
