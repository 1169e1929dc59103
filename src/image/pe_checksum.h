// The PE header checksum (the one Windows' image helpers compute): the
// 16-bit one's-complement sum of the file's little-endian words plus the
// file's length, taken over the bytes as they are written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZORVANE {

class PeChecksum {
public:
    // Adds the next bytes of the file; the checksum field itself must be
    // passed as zeros.
    void Add(const std::uint8_t* data, std::size_t length);

    std::uint32_t Finish(std::uint32_t fileLength) const;

private:
    std::uint64_t sum_ = 0;
    bool odd_ = false;  // the next byte is the high half of a word
};

}  // namespace ZORVANE
