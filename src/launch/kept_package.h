// Keeping the package a marked launcher installs, so that Windows Installer
// records a source that stays: the cache entry is what msiexec is started on.
// No failure of the cache fails an installation: the launch then goes on
// from the temporary folder, after one log line.
#pragma once

#include <string>

#include "launch/launch_result.h"
#include "launch/own_resource.h"
#include "launch/package_cache.h"

namespace ZORVANE {

struct KeptPackage {
    CacheEntry entry;         // its hold is open when the package is kept
    std::string path;         // UTF-8, what msiexec is given
    std::string productCode;  // UTF-8
    explicit operator bool() const { return static_cast<bool>(entry.hold); }
};

// Reads the codes of the package extracted to extractedPath (UTF-8), clears
// the cache of products no longer installed and holds the package in its
// entry, named packageName (UTF-8): the machine's cache at high or system
// integrity, the user's otherwise.
[[nodiscard]] KeptPackage KeepPackage(const std::string& extractedPath, const ResourceView& package,
                                      const std::string& packageName);

// Whether an installer's exit code leaves the product installed: success,
// and success that asks for a restart (3010, 1641).
bool LeavesProductInstalled(unsigned long exitCode);

// After the installer: an entry stays when the product is installed; an
// entry this launch wrote is removed otherwise, and one found there only
// when its product is gone, since it may be the source of what is installed.
void SettleKeptPackage(KeptPackage& kept, const LaunchResult& result);

}  // namespace ZORVANE
