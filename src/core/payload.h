// Identities of the payload resources: the update command writes them into a
// copy of the launcher, the default command reads them from its own image.
#pragma once

#include <windows.h>

namespace ZORVANE {

// The installer package, byte for byte.
constexpr char kPackageResourceType[] = "MSI";
constexpr WORD kPackageResourceId = 104;

// msiexec option text in the ANSI code page, followed by one NUL byte.
constexpr char kParamsResourceType[] = "PARAMS";
constexpr WORD kParamsResourceId = 106;

// Both payload resources are language neutral; writing one again replaces it.
constexpr WORD kPayloadLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

}  // namespace ZORVANE
