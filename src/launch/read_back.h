// Reading the held package back: whatever another process put into the file
// before the hold was taken shows as a difference.
#pragma once

#include <windows.h>

#include "launch/own_resource.h"

namespace ZORVANE {

enum class ReadBack {
    Same,        // exactly the package's bytes
    Different,   // another size or another byte
    NoMemory,    // no memory or address space to compare in: nothing is known
    Unreadable,  // the platform could not read the file
};

struct ReadBackResult {
    ReadBack outcome;
    DWORD error;  // the platform's reason for NoMemory and Unreadable
};

// Compares the file behind hold (read access) with the package, through read-only views of
// the very file the hold keeps open, whatever its name refers to meanwhile.
[[nodiscard]] ReadBackResult ReadBackPackage(HANDLE hold, const ResourceView& package);

}  // namespace ZORVANE
