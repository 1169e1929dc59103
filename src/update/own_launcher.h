// The running launcher as the source of a new one: its path, and its image
// read once through one open stream, which the copy and the staging then
// use. It is never opened by path again.
#pragma once

#include <string>

#include "common/unique_stream.h"
#include "image/image_model.h"

namespace ZORVANE {

// The log text when the launcher does not know where it is or runs.
inline constexpr char kPathsUnknown[] = "couldn't determine the current directory or own path";

struct OwnLauncher {
    std::string path;
    UniqueStream file;
    ImageModel image;  // read from file, which stays open while it is used
};

// Finds, opens and reads the running launcher. The log text of why it
// cannot be the source of a copy, or null when it can: then its image holds
// every check the image reader makes.
[[nodiscard]] const char* ReadOwnLauncher(OwnLauncher& own);

}  // namespace ZORVANE
