// The native maker's command line.
#pragma once

#include <string>

namespace ZORVANE {

struct MakeOptions {
    std::string source;       // the launcher to start from; empty: the installed one
    std::string packagePath;  // empty: keep the source's package
    std::string params;       // empty: keep the source's option line
    std::string output;       // empty with describe or wingetManifest: write no launcher
    bool force = false;       // replace an existing output
    std::string iconPath;     // empty: keep the source's icon
    bool productInfo = true;  // a version resource from the package
    bool describe = false;    // JSON on stdout
    std::string wingetManifest;
};

enum class MakeRequest { Make, Help, Version, Invalid };

// Reads argv into options; Invalid has been reported on stderr.
[[nodiscard]] MakeRequest ParseMakeOptions(int argc, char** argv, MakeOptions& options);

void PrintHelp();
void PrintVersion();

}  // namespace ZORVANE
