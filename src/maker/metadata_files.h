// The deployment metadata one run writes besides the launcher: the winget
// fragment and manifests, made in memory before any output is staged, and
// the JSON of --describe.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "maker/deployment_metadata.h"
#include "maker/make_options.h"
#include "maker/winget_manifests.h"

namespace ZORVANE {

struct MetadataTexts {
    std::string fragment;                             // --winget-manifest
    std::array<std::string, kWingetFiles> manifests;  // --winget, in WingetFileNames' order
};

// The texts the options ask for; source is the launcher the manifests
// describe, hashed from its start. Warnings go to stderr. False, reported
// with one line naming the file, when the source cannot be read or its
// package does not fill what winget demands.
[[nodiscard]] bool MakeMetadataTexts(const MakeOptions& options, std::FILE* source, const LauncherFacts& facts,
                                     MetadataTexts& texts);

// --describe's JSON on standard output. A short write or a reader that went
// away is a failure (reported; filesPending: the line says no file was
// written), never a signal that ends the process.
[[nodiscard]] bool WriteDescription(const LauncherFacts& facts, bool filesPending);

}  // namespace ZORVANE
