// The msiexec command line and where msiexec is found.
#pragma once

#include <string>

#include "launch/integrity.h"

namespace ZORVANE {

// /i "<package>" then, for options that came from the command line, the
// per-user or per-machine choice that IsProcesPrivileged makes of the level
// readLevel gives, then the options unchanged. The level is not read for
// options from the resource.
std::string InstallerParameters(const std::string& packagePath, const std::string& options, bool optionsFromResource,
                                IntegrityReader readLevel);

// Full path of msiexec.exe in the system directory (UTF-8); empty when the
// system directory is unknown. A bare name would let an msiexec.exe planted
// in the current or the launcher's folder run instead, possibly elevated.
std::string InstallerProgramPath();

}  // namespace ZORVANE
