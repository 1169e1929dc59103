// What a deployment system needs to know about a made launcher: the JSON of
// --describe and the winget installer-manifest fragment of --winget-manifest.
#pragma once

#include <string>

#include "maker/package_info.h"

namespace ZORVANE {

struct LauncherFacts {
    bool hasPackage = false;      // false: the launcher carries none
    bool hasPackageInfo = false;  // false: none, or not a readable database
    PackageInfo package;
    std::string optionLine;  // empty: none, so the launcher passes its arguments on
};

// One JSON object: the package's codes, version, names and scope (null when
// unknown), the option line (null when none) and the launcher's exit codes.
std::string DescribeJson(const LauncherFacts& facts);

// YAML: only what the launcher and its package determine; identity, URLs and
// hashes are the manifest author's.
std::string WingetInstallerFragment(const LauncherFacts& facts);

}  // namespace ZORVANE
