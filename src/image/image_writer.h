// Writing a laid-out image in one pass, front to back, with the header
// checksum summed as the bytes go out. Leaves from streams (the package) are
// copied through a bounded buffer, so memory does not depend on their size.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image_layout.h"
#include "image/image_model.h"
#include "image/image_status.h"

namespace ZORVANE {

// Called now and then while a stream leaf is copied; may be null.
using ImageWriteProgress = void (*)(std::uint64_t done, std::uint64_t total, void* context);

// Writes the image that layout describes to output, which must be seekable:
// the checksum is written last. ReadFailed when the source or a stream leaf
// cannot be read, or a stream does not end where its size says.
[[nodiscard]] ImageWriteStatus WriteImage(const ImageModel& model, const ImageLayout& layout, std::FILE* output,
                                          ImageWriteProgress progress = nullptr, void* progressContext = nullptr);

}  // namespace ZORVANE
