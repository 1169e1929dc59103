// What reading, laying out or writing a launcher image came to.
#pragma once

namespace ZORVANE {

enum class ImageWriteStatus {
    Written,
    SourceDamaged,  // not a PE image this writer can rebuild, or its resources are unsound
    TooLarge,       // the new image would not map in one piece in a 32-bit process
    ReadFailed,     // the source or the package could not be read completely
    WriteFailed,    // the output did not take every byte
};

}  // namespace ZORVANE
