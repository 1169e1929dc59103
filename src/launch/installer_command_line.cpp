#include "launch/installer_command_line.h"

#include "core/system_files.h"

namespace ZORVANE {

std::string InstallerParameters(const std::string& packagePath, const std::string& options, bool optionsFromResource,
                                IntegrityReader readLevel) {
    std::string parameters = "/i \"" + packagePath + "\" ";
    if (!optionsFromResource) {
        parameters += IsProcesPrivileged(readLevel) ? "MSIINSTALLPERUSER=0 " : "MSIINSTALLPERUSER=1 ";
    }
    return parameters + options;
}

std::string InstallerProgramPath() { return SystemFilePath("msiexec.exe"); }

}  // namespace ZORVANE
