// Bounded reads from the source image: every read is checked against the
// file's length before it is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace ZORVANE {

class ImageSource {
public:
    ImageSource() = default;
    // Borrows file, which must stay open while the source is read.
    explicit ImageSource(std::FILE* file);

    // False when the length could not be told.
    bool IsOpen() const { return file_ != nullptr; }
    std::uint64_t Size() const { return size_; }

    // True when [offset, offset + length) lies in the file.
    bool Holds(std::uint64_t offset, std::uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

    // False when the range is not in the file or the read comes short.
    [[nodiscard]] bool Read(std::uint64_t offset, void* buffer, std::size_t length) const;

private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

}  // namespace ZORVANE
