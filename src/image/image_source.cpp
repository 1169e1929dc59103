#include "image/image_source.h"

#include <climits>

namespace ZORVANE {

ImageSource::ImageSource(std::FILE* file) : file_(file) {
    // A C long offset: 2 GiB on Windows, well past any image that can map.
    long end = -1;
    if (file_ != nullptr && std::fseek(file_, 0, SEEK_END) == 0) end = std::ftell(file_);
    if (end < 0) {
        file_ = nullptr;
        return;
    }
    size_ = static_cast<std::uint64_t>(end);
}

bool ImageSource::Read(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (file_ == nullptr || !Holds(offset, length) || offset > static_cast<std::uint64_t>(LONG_MAX)) {
        return false;
    }
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, length, file_) == length;
}

}  // namespace ZORVANE
