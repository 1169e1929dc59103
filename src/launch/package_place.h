// Where the package is written and held while the installer runs: the one
// step that chooses that place. Today a new file in the user's temporary
// folder, deleted after the installer has ended.
#pragma once

#include <memory>
#include <string>

#include "launch/launch_result.h"
#include "launch/tmp_file_generator.h"

namespace ZORVANE {

struct PackagePlace {
    std::unique_ptr<TmpFileGenerator> file;  // reserved and open for writing; empty when there is none
    LaunchResult failure;                    // why, then (logged)
};

// A place for the package named packageName (UTF-8).
[[nodiscard]] PackagePlace ChoosePackagePlace(const std::string& packageName);

}  // namespace ZORVANE
