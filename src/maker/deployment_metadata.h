// What a deployment system needs to know about a made launcher: the JSON of
// --describe, and the installer-manifest fields winget needs, alone as the
// fragment of --winget-manifest or in the manifests of --winget.
#pragma once

#include <string>

#include "maker/package_info.h"

namespace ZORVANE {

struct LauncherFacts {
    bool hasPackage = false;      // false: the launcher carries none
    bool hasPackageInfo = false;  // false: none, or not a readable database
    PackageInfo package;
    std::string optionLine;     // empty: none, so the launcher passes its arguments on
    bool keepsPackage = false;  // the launcher keeps the package it installed
};

// One JSON object: the package's codes, version, names and scope (null when
// unknown or not set), the option line (null when none), whether the
// launcher keeps its package, and the launcher's exit codes.
std::string DescribeJson(const LauncherFacts& facts);

// The installer manifest's fields that the launcher and its package
// determine, as YAML at the top level: InstallerType, Scope (none for a
// dual-purpose package), InstallerSwitches (for a launcher with an option
// line, a comment saying why there are none), ExpectedReturnCodes,
// ProductCode and AppsAndFeaturesEntries. A value the package does not set
// is left out.
std::string WingetInstallerFields(const LauncherFacts& facts);

// Why the package's values do not fit the fields above (a text longer than
// winget takes); empty when they do.
std::string WingetFieldsProblem(const PackageInfo& package);

// YAML: WingetInstallerFields as a fragment of a 1.28.0 installer manifest;
// identity, URLs and hashes are the manifest author's.
std::string WingetInstallerFragment(const LauncherFacts& facts);

}  // namespace ZORVANE
