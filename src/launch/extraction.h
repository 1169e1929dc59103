// Extraction of the package into its place, held unchanged from then on.
#pragma once

#include "core/unique_handles.h"
#include "launch/launch_result.h"
#include "launch/own_resource.h"
#include "launch/tmp_file_generator.h"

namespace ZORVANE {

struct ExtractedPackage {
    UniqueFile hold;       // open: the file holds the package and cannot change until it is closed
    LaunchResult failure;  // otherwise (logged)
};

// Writes the package through the reserved file's writer and closes it, then
// holds the file and reads it back. A package changed by anyone else is
// never held: it fails the launch, as does any step that could not be done.
[[nodiscard]] ExtractedPackage ExtractAndHold(TmpFileGenerator& file, const ResourceView& package);

}  // namespace ZORVANE
