// Writing a laid-out image in one pass, front to back, with the header
// checksum summed as the bytes go out. Leaves from streams (the package) are
// copied through a bounded buffer, so memory does not depend on their size.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image_layout.h"
#include "image/image_model.h"
#include "image/image_write_status.h"

namespace ZORVANE {

// Called now and then while a stream leaf is copied; may be null.
using ImageWriteProgress = void (*)(std::uint64_t done, std::uint64_t total, void* context);

// Writes model as layout (laid out from model as it is now) describes it to
// output, which must be seekable: the checksum is written last. ReadFailed
// when the source or a stream leaf cannot be read, or a stream does not end
// where its size says.
ImageWriteStatus WriteModel(const ImageModel& model, const ImageLayout& layout, std::FILE* output,
                            ImageWriteProgress progress = nullptr, void* progressContext = nullptr);

// Copies the source that model was read from to output as it is, signature
// and all: what a launcher with nothing changed is. ReadFailed when the
// source no longer holds the length it had when it was read.
ImageWriteStatus CopyUnchanged(const ImageModel& model, std::FILE* output);

}  // namespace ZORVANE
