// Checks on the running launcher before it is used as the source of a copy.
#pragma once

#include <windows.h>

namespace ZORVANE {

// False when the module's resource tree, or the data of a resource, lies
// outside the image: the platform's resource updater would read the copy's
// tree unchecked and could crash or drop resources.
bool ResourceTreeIsSound(HMODULE module);

}  // namespace ZORVANE
