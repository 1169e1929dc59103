// What a package says about its product, read with msitools' libmsi: the
// facts a launcher's version resource and deployment metadata are made of.
#pragma once

#include <string>

namespace ZORVANE {

// Texts as UTF-8; a property the package does not set is empty.
struct PackageInfo {
    // Property table.
    std::string productName, productVersion, manufacturer;
    std::string productCode, upgradeCode;
    std::string allUsers, installPerUser;  // ALLUSERS, MSIINSTALLPERUSER
    // Summary information.
    std::string platformAndLanguages;  // the template, "Intel;1033"
    std::string packageCode;           // the revision number
    std::string subject, comments;     // what the product is, in words
};

// False when path is not a readable Windows Installer database; info is then
// left as it was.
bool ReadPackageInfo(const std::string& path, PackageInfo& info);

// How the package installs: "perMachine" (ALLUSERS=1), "dualPurpose"
// (ALLUSERS=2: per-user or per-machine, as the launcher's elevation chooses
// when it has no option line) or "perUser".
const char* InstallScope(const PackageInfo& info);

}  // namespace ZORVANE
