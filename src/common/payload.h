// The payload contract between who makes a launcher (the update command, the
// native maker) and the launcher that reads it at launch: the resources'
// identities, the option line's encoding, and the command line it must fit
// in. No platform header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZORVANE {

// The installer package, byte for byte; a package of 0 bytes counts as none.
constexpr char kPackageResourceType[] = "MSI";
constexpr std::uint16_t kPackageResourceId = 104;

// The msiexec option line: UTF-8 text followed by one NUL byte, read up to
// its first NUL. Launchers made before UTF-8 hold ANSI text, which is how a
// line that is not valid UTF-8 is read. An empty line is none.
constexpr char kParamsResourceType[] = "PARAMS";
constexpr std::uint16_t kParamsResourceId = 106;

// The mark of a launcher that keeps the package it installed, so that repair,
// self-repair and patches find their source: one byte, kKeepPackageMark. Any
// other content, or none, leaves the launcher unmarked.
constexpr char kKeepPackageResourceType[] = "KEEPMSI";
constexpr std::uint16_t kKeepPackageResourceId = 107;
constexpr char kKeepPackageMark = '1';

// The payload resources are language neutral (LANG_NEUTRAL, SUBLANG_NEUTRAL);
// writing one again replaces it.
constexpr std::uint16_t kPayloadLanguage = 0;

// The launcher starts "<system dir>\msiexec.exe" /i "<package>" <options> as
// one process command line, which Windows limits to 32767 UTF-16 units with
// its terminator. Counts here are UTF-16 units.
constexpr std::size_t kCommandLineLimit = 32767;
// The longest path the launcher takes from the platform (MAX_PATH - 1).
constexpr std::size_t kLongestPath = 259;

// /i "<package>" <options>
constexpr std::size_t InstallerParameterUnits(std::size_t package, std::size_t options) {
    return 4 + package + 2 + options;
}
// "<program>" <parameters>
constexpr std::size_t CommandLineUnits(std::size_t program, std::size_t parameters) {
    return 1 + program + 2 + parameters;
}
// Whether a command line of that many units leaves room for its terminator.
constexpr bool FitsCommandLine(std::size_t units) { return units < kCommandLineLimit; }

// The longest option line that fits with the longest system and temporary
// paths: a made launcher can always pass it on.
constexpr std::size_t kLongestOptionLine =
    kCommandLineLimit - 1 - CommandLineUnits(kLongestPath, InstallerParameterUnits(kLongestPath, 0));
static_assert(kLongestOptionLine == 32239, "the figure README and --help give");

}  // namespace ZORVANE
