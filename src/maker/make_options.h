// The native maker's command line.
#pragma once

#include <string>

#include "maker/winget_manifests.h"

namespace ZORVANE {

struct MakeOptions {
    std::string source;        // the launcher to start from; empty: the installed one
    std::string packagePath;   // empty: keep the source's package
    std::string params;        // empty: keep the source's option line
    std::string output;        // empty with describe, wingetManifest or wingetFolder: write no launcher
    bool force = false;        // replace an existing output
    std::string iconPath;      // empty: keep the source's icon
    bool keepPackage = false;  // add the keep-package mark; false keeps the source's, if any
    bool productInfo = true;   // a version resource from the package
    bool describe = false;     // JSON on stdout
    std::string wingetManifest;
    std::string wingetFolder;  // the three manifests go here; empty: none
    WingetIdentity winget;     // checked as the schemas demand
};

// The file a line about the package names: the --msi file, else the source that carries it.
inline const std::string& PackageName(const MakeOptions& options) {
    return options.packagePath.empty() ? options.source : options.packagePath;
}

enum class MakeRequest { Make, Help, Version, Invalid };

// Reads argv into options; Invalid has been reported on stderr. Also
// Invalid: a --winget folder that is no folder.
[[nodiscard]] MakeRequest ParseMakeOptions(int argc, char** argv, MakeOptions& options);

void PrintHelp();
void PrintVersion();

}  // namespace ZORVANE
