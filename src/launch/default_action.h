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
    // started, the temporary file included; failures are logged, never shown.
    bool Run(const ArgumentList& arguments) override;

    // Starts msiexec on the package and returns when it has ended. False when
    // it could not be started.
    virtual bool RunInstaller(const std::string& packagePath, const std::string& options,
                              bool optionsFromResource);

private:
    std::string ReadOptionLine(HMODULE module);
    bool ReadPackage(HMODULE module, ResourceView& package);
};

// Options taken from the command line: each argument followed by one blank,
// with no quoting added.
std::string OptionsFromArguments(const ArgumentList& arguments);

// The name the package is extracted under: the launcher's own file name with
// its extension replaced by ".msi". Empty when the own path is unknown.
std::string PackageNameFromModulePath();

}  // namespace ZORVANE
