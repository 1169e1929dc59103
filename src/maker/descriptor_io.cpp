#include "maker/descriptor_io.h"

#include <unistd.h>

#include <cerrno>

namespace ZORVANE {

bool WriteAll(int fd, const void* bytes, std::size_t length) {
    const char* next = static_cast<const char*>(bytes);
    for (std::size_t written = 0; written < length;) {
        const ssize_t put = write(fd, next + written, length - written);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace ZORVANE
