// The payload of the running launcher: its option line and its package.
#pragma once

#include <string>

#include "launch/launch_result.h"
#include "launch/own_resource.h"

namespace ZORVANE {

struct OwnPayload {
    bool read;               // both are usable
    std::string optionLine;  // UTF-8; empty when there is none, or it could not be read
    ResourceView package;    // valid while the module is loaded
    bool keepPackage;        // marked to keep the package it installs
    LaunchResult failure;    // when not read
};

// Reads both resources of the running executable, logging what is wrong
// with them. An option line that is there but cannot be loaded counts as
// none; one that cannot be read as text, and a missing or empty package, end
// the launch. A mark that is not exactly the mark leaves the launcher unmarked.
[[nodiscard]] OwnPayload ReadOwnPayload();

}  // namespace ZORVANE
