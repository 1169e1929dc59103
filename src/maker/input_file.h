// Opening the maker's inputs: regular files only, since the writer needs
// their size up front and seeks in the source.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "common/unique_stream.h"

namespace ZORVANE {

// Which file a path names, whatever the path: an output is never an input.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};

struct InputFile {
    UniqueStream stream;
    std::uint64_t size = 0;
    mode_t mode = 0;
    FileIdentity identity;
};

// False when path cannot be read as a regular file; reported on stderr.
[[nodiscard]] bool OpenInputFile(const std::string& path, InputFile& input);

}  // namespace ZORVANE
