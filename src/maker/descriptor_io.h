// Whole writes to a file descriptor: a pipe or a file takes every byte, or
// the write failed.
#pragma once

#include <cstddef>

namespace ZORVANE {

// False, with errno set, when fd took fewer than length bytes.
[[nodiscard]] bool WriteAll(int fd, const void* bytes, std::size_t length);

}  // namespace ZORVANE
