#include "launch/installer_command_line.h"

#include <windows.h>

namespace ZORVANE {

std::string InstallerParameters(const std::string& packagePath, const std::string& options,
                                bool optionsFromResource, PrivilegeProbe isPrivileged) {
    std::string parameters = "/i \"" + packagePath + "\" ";
    if (!optionsFromResource) {
        parameters += isPrivileged() ? "MSIINSTALLPERUSER=0 " : "MSIINSTALLPERUSER=1 ";
    }
    return parameters + options;
}

std::string InstallerProgramPath() {
    char folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(folder, length) + "\\msiexec.exe";
}

}  // namespace ZORVANE
