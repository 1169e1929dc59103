// The integrity level of the launcher's own process.
#pragma once

#include <windows.h>

namespace ZORVANE {

enum class IntegrityClass { Low, Medium, High };

// Low below 0x2000, medium below 0x3000, high from 0x3000 (system included).
IntegrityClass ClassifyIntegrity(DWORD relativeIdentifier);

// True when the process runs at high integrity, and whenever the level cannot
// be read. Logs the level found ("IsProcesPrivileged - Event ...").
bool IsProcesPrivileged();

}  // namespace ZORVANE
