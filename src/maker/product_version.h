// The package's ProductVersion as Windows Installer reads it, for the
// launcher's version numbers.
#pragma once

#include <string>

#include "image/version_resource.h"

namespace ZORVANE {

// Windows Installer's product version: major.minor.build; a fourth field is
// ignored by Windows Installer, so the launcher's is 0. False, leaving
// numbers at 0.0.0, unless text is one to four decimal fields separated by
// dots with major and minor at most 255 and build (and a fourth field) at
// most 65535, Windows Installer's limits.
bool ParseProductVersion(const std::string& text, VersionNumbers& numbers);

}  // namespace ZORVANE
