// Identities of the payload resources: the update command and the native
// maker write them into a new launcher, the default command reads them from
// its own image. No platform header: the native maker shares them.
#pragma once

#include <cstdint>

namespace ZORVANE {

// The installer package, byte for byte.
constexpr char kPackageResourceType[] = "MSI";
constexpr std::uint16_t kPackageResourceId = 104;

// msiexec option text in the ANSI code page, followed by one NUL byte.
constexpr char kParamsResourceType[] = "PARAMS";
constexpr std::uint16_t kParamsResourceId = 106;

// Both payload resources are language neutral (LANG_NEUTRAL, SUBLANG_NEUTRAL);
// writing one again replaces it.
constexpr std::uint16_t kPayloadLanguage = 0;

}  // namespace ZORVANE
