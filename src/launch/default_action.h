// The default command: extract the embedded package and install it.
#pragma once

#include <string>

#include "common/launch_plan.h"
#include "core/command.h"
#include "launch/launch_result.h"
#include "launch/own_payload.h"

namespace ZORVANE {

class DefaultAction : public Command {
public:
    DefaultAction() : Command(kLaunchComponent) {}

    // Writes the package to a reserved temporary file, runs the installer on
    // it, waits and deletes the file. False when no installer could be
    // started, the temporary file included; failures are logged, and shown
    // in a warning box unless the options in force ask for a silent run.
    [[nodiscard]] bool Run(const ArgumentList& arguments) override;

    // The installer's own exit code when it ran, unchanged; otherwise
    // kLauncherFailure.
    unsigned long ExitCode(bool succeeded) const override;

    // Starts msiexec on the package and returns when it has ended, with its
    // exit code, or the step that failed.
    [[nodiscard]] virtual LaunchResult RunInstaller(const std::string& packagePath, const std::string& options,
                                                    bool optionsFromResource);

private:
    [[nodiscard]] LaunchResult Install(const LaunchPlan& plan, const OwnPayload& payload);

    unsigned long exitCode_ = kLauncherFailure;  // what Run came to
};

// The name the package is extracted under: the launcher's own file name with
// its extension replaced by ".msi", in UTF-8. Empty when the own path is unknown.
std::string PackageNameFromModulePath();

}  // namespace ZORVANE
