// The integrity level of the launcher's own process.
#pragma once

#include <windows.h>

#include <optional>

namespace ZORVANE {

enum class IntegrityClass { Low, Medium, High };

// Low below 0x2000, medium below 0x3000, high from 0x3000 (system included).
IntegrityClass ClassifyIntegrity(DWORD relativeIdentifier);

// A token's integrity level, its mandatory label's last sub-authority; no
// answer when the token cannot be read, carries no integrity level (systems
// before Vista) or its label has no sub-authority.
using IntegrityLevel = std::optional<DWORD>;
IntegrityLevel ReadIntegrityLevel(HANDLE token);

// The level of the launcher's own process.
IntegrityLevel ReadOwnIntegrityLevel();

using IntegrityReader = IntegrityLevel (*)();

// True when the process runs at high integrity, and whenever there is no
// answer. Logs the level found ("IsProcesPrivileged - Event ...").
[[nodiscard]] bool IsProcesPrivileged(IntegrityReader readLevel = ReadOwnIntegrityLevel);

}  // namespace ZORVANE
