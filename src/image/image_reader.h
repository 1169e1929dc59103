// Reading a source launcher into a model: the image is checked once, as a
// whole, and nothing is written. Checking without writing is this read.
#pragma once

#include <cstdio>

#include "image/image_model.h"
#include "image/image_status.h"

namespace ZORVANE {

// Reads source (a whole PE file, borrowed: it must stay open while model is
// used). SourceDamaged when it is not a 32-bit image this writer can
// rebuild: headers, sections or data directories out of place or
// misaligned, a resource section that is not last but for the relocations,
// or an unsound resource tree; ReadFailed when its length cannot be told.
[[nodiscard]] ImageWriteStatus ReadImage(std::FILE* source, ImageModel& model);

}  // namespace ZORVANE
