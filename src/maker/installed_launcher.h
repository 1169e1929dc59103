// Where launcher-make finds the launcher installed with it, so that a
// build server needs no SOURCE_LAUNCHER argument.
#pragma once

#include <string>

namespace ZORVANE {

// The installed launcher.exe, found relative to the running maker's own
// file (LAUNCHER_MAKE_INSTALLED_SOURCE from its folder), so that an
// installed tree can be moved. False when the maker's own path cannot be
// read; reported on stderr.
[[nodiscard]] bool FindInstalledLauncher(std::string& path);

}  // namespace ZORVANE
