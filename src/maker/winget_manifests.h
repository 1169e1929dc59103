// The three manifests winget-pkgs takes for one package version (version,
// defaultLocale and installer, schema 1.28.0), made from the released
// launcher, its SHA-256 and the package it carries.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "maker/deployment_metadata.h"

namespace ZORVANE {

// What the package cannot say: who publishes it and where it is downloaded.
struct WingetIdentity {
    std::string packageId;     // "Publisher.Product"
    std::string installerUrl;  // where the released launcher is downloaded
    std::string license = "Proprietary";
    std::string locale = "en-US";
};

constexpr std::size_t kWingetFiles = 3;

// The file names in the manifests' folder, as winget-pkgs names them:
// version, defaultLocale, installer.
std::array<std::string, kWingetFiles> WingetFileNames(const WingetIdentity& identity);

struct WingetManifests {
    std::string problem;                          // empty: the files were made
    std::vector<std::string> warnings;            // each one line's text
    std::array<std::string, kWingetFiles> texts;  // in WingetFileNames' order
};

// The manifests' texts, or the problem that keeps the package from filling
// them as winget's schemas demand (no product info, an empty Manufacturer, a
// name too short, a ProductVersion with a character a PackageVersion
// refuses). identity has been checked; sha256 is the launcher's, in hex.
WingetManifests MakeWingetManifests(const WingetIdentity& identity, const LauncherFacts& facts,
                                    const std::string& sha256);

}  // namespace ZORVANE
