// Opening the maker's inputs: regular files only, since the writer needs
// their size up front and seeks in the source.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "common/unique_stream.h"

namespace ZORVANE {

struct InputFile {
    UniqueStream stream;
    std::uint64_t size = 0;
    mode_t mode = 0;
};

// False when path cannot be read as a regular file; reported on stderr.
[[nodiscard]] bool OpenInputFile(const std::string& path, InputFile& input);

}  // namespace ZORVANE
