// What the launcher being made will carry, as deployment metadata and its
// version resource describe it: the package's product info, the option line
// and the keep-package mark.
#pragma once

#include "image/image_model.h"
#include "maker/deployment_metadata.h"
#include "maker/make_options.h"

namespace ZORVANE {

// Reads the package named by --msi (through the descriptor the payload
// reads), or else the one the model carries from its source (through a copy
// in the temporary folder), each in a child process, and the model's option
// line and mark (the payload already applied). facts.hasPackageInfo is false
// when the package is missing or not a readable database, or its reading
// crashed or ran out of time or memory. False only when a file could not be read or
// written or no process could be started; reported on stderr.
bool GatherLauncherFacts(const MakeOptions& options, const ImageModel& model, LauncherFacts& facts);

}  // namespace ZORVANE
