// What the package cache asks Windows Installer itself, through msi.dll of
// the system folder: the package's identity, and whether a product is still
// installed. The stored package may have been replaced by -update MSI=, so
// its identity is read from the package, never from anything the launcher
// carries beside it.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

struct PackageCodes {
    std::string productCode;     // UTF-8, as the Property table holds it
    std::string productVersion;  // UTF-8
    std::string problem;         // why they could not be read; empty when they were
};

// ProductCode and ProductVersion of the package at path (UTF-16).
PackageCodes ReadPackageCodes(const wchar_t* path);

// False only when Windows Installer knows the product neither for this user
// nor for the machine (MsiQueryProductStateW: INSTALLSTATE_UNKNOWN); true
// when it is installed or advertised anywhere, also for another user, and
// when msi.dll cannot be asked.
bool ProductMayBeInstalled(const std::string& productCode);

}  // namespace ZORVANE
