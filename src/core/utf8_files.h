// Files named by UTF-8 paths, reached through the platform's UTF-16 calls.
#pragma once

#include <string>

#include "common/unique_stream.h"

namespace ZORVANE {

// The file opened as a C stream with mode ("rb", "wb", "r+b"); empty when it
// cannot be, or path is not valid UTF-8.
UniqueStream OpenStream(const std::string& path, const wchar_t* mode);

// False when the file could not be deleted.
[[nodiscard]] bool DeleteFileAt(const std::string& path);

}  // namespace ZORVANE
