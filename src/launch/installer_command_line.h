// The msiexec command line and where msiexec is found.
#pragma once

#include <string>

namespace ZORVANE {

using PrivilegeProbe = bool (*)();

// /i "<package>" then, for options that came from the command line, the
// per-user or per-machine choice that the probe gives, then the options
// unchanged. The probe is not run for options from the resource.
std::string InstallerParameters(const std::string& packagePath, const std::string& options, bool optionsFromResource,
                                PrivilegeProbe isPrivileged);

// Full path of msiexec.exe in the system directory (UTF-8); empty when the
// system directory is unknown. A bare name would let an msiexec.exe planted
// in the current or the launcher's folder run instead, possibly elevated.
std::string InstallerProgramPath();

}  // namespace ZORVANE
