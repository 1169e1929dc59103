#include "update/pe_checksum.h"

#include "update/pe_format.h"

namespace ZORVANE {

// Four bytes at an even file offset are two words, lo + hi * 65536, and
// 65536 is 1 modulo 0xFFFF: summing 32-bit pieces and folding at the end
// gives the word sum. 2^32 pieces of 32 bits cannot overflow 64 bits.
void PeChecksum::Add(const std::uint8_t* data, std::size_t length) {
    if (odd_ && length > 0) {
        sum_ += std::uint64_t{*data++} << 8;
        --length;
        odd_ = false;
    }
    const std::size_t whole = length & ~std::size_t{3};
    for (std::size_t i = 0; i < whole; i += 4) sum_ += pe::Get32(data + i);
    for (std::size_t i = whole; i < length; ++i) sum_ += std::uint64_t{data[i]} << (8 * (i & 1));
    odd_ = (length & 1) != 0;
}

std::uint32_t PeChecksum::Finish(std::uint32_t fileLength) const {
    std::uint64_t sum = sum_;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum) + fileLength;
}

}  // namespace ZORVANE
