// What writing a laid-out launcher image, or copying one unchanged, came to.
#pragma once

namespace ZORVANE {

enum class [[nodiscard]] ImageWriteStatus {
    Written,
    ReadFailed,   // the source or a stream leaf could not be read completely
    WriteFailed,  // the output did not take every byte
};

}  // namespace ZORVANE
