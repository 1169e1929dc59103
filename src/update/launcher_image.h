// Writing a new launcher image: the source launcher's bytes with its payload
// resources replaced. The package is streamed from its file through a bounded
// buffer, so memory does not depend on its size. Plain C++ over C streams, no
// platform calls: the update command and the native maker share it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ZORVANE {

// A resource with an integer type and name, given whole.
struct ResourceBytes {
    std::uint16_t type = 0, name = 0, language = 0;
    std::vector<std::uint8_t> data;
};

// What the new launcher carries instead of the source's payload. A member
// that is not set keeps what the source carries.
struct PayloadReplacement {
    std::FILE* package = nullptr;  // read from its current position
    std::uint64_t packageSize = 0;
    bool replaceParams = false;
    std::string params;  // written followed by one NUL byte
    std::vector<std::uint16_t> droppedTypes;  // every resource of these integer types goes
    std::vector<ResourceBytes> resources;     // then each replaces its namesake or is added
};

enum class ImageWriteStatus {
    Written,
    SourceDamaged,  // not a PE image this writer can rebuild, or its resources are unsound
    TooLarge,       // the new image would not map in one piece in a 32-bit process
    ReadFailed,     // the source or the package could not be read completely
    WriteFailed,    // the output did not take every byte
};

// Called now and then while the package is copied; may be null.
using ImageWriteProgress = void (*)(std::uint64_t done, std::uint64_t total, void* context);

// Reads source (a whole PE file) and writes the new image to output, which
// must be seekable: the header checksum is written last. Nothing is written
// to output unless the source is sound and the result fits.
ImageWriteStatus WriteLauncherImage(std::FILE* source, const PayloadReplacement& replacement,
                                    std::FILE* output, ImageWriteProgress progress = nullptr,
                                    void* progressContext = nullptr);

// What WriteLauncherImage would answer before writing anything (Written when
// it would go ahead); the package is not read.
ImageWriteStatus CheckLauncherImage(std::FILE* source, const PayloadReplacement& replacement);

// Where the source's resource (type, integer name, language) lies in the
// file: Written and found when it has one, Written and not found when it has
// none, otherwise what CheckLauncherImage answers.
struct ResourcePlace {
    bool found = false;
    std::uint64_t offset = 0, size = 0;
};
ImageWriteStatus FindLauncherResource(std::FILE* source, const char* type, std::uint16_t name,
                                      std::uint16_t language, ResourcePlace& place);

}  // namespace ZORVANE
