// Reserving a file name by creating the file exclusively.
#pragma once

#include <string>

namespace ZORVANE {

// Creates an empty file at path only if no file of that name exists, and
// closes it at once: the empty file is the reservation. False when the file
// exists or cannot be created.
[[nodiscard]] bool CreateExclusiveFile(const std::string& path);

}  // namespace ZORVANE
