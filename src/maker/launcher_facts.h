// What the launcher being made will carry, as deployment metadata and its
// version resource describe it: the package's product info and the option line.
#pragma once

#include <cstdio>

#include "maker/deployment_metadata.h"
#include "update/make_options.h"

namespace ZORVANE {

// Reads the package named by --msi, or else the one source carries, and the
// option line --params gives or source carries. facts.hasPackageInfo is
// false when the package is missing or not a readable database. False only
// when a file could not be read or written; reported on stderr.
bool GatherLauncherFacts(const MakeOptions& options, std::FILE* source, LauncherFacts& facts);

}  // namespace ZORVANE
