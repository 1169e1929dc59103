// Reading a source launcher into a model: the image is checked once, as a
// whole, and nothing is written. Checking without writing is this read.
#pragma once

#include <cstdio>

#include "image/image_model.h"
#include "image/image_read_result.h"

namespace ZORVANE {

// Reads source (a whole PE file, borrowed: it must stay open while model is
// used). Names the first check that failed when it is not a 32-bit image
// this writer can rebuild: headers, sections or data directories out of
// place or misaligned, a resource section that is not last but for the
// relocations, or an unsound resource tree; LengthUnknown when its length
// cannot be told.
ImageReadResult ReadImage(std::FILE* source, ImageModel& model);

}  // namespace ZORVANE
