#include "image/pe_checksum.h"

#include <algorithm>

#include "image/pe_format.h"

namespace ZORVANE {

namespace {

// 32768 words of at most 0xFFFF each fit 31 bits.
constexpr std::size_t kRunBytes = 4 * 32768;

}  // namespace

// Folding at the end gives the same sum as folding after every word, since
// both keep the sum modulo 0xFFFF; 64 bits hold far more than 4 GiB of words.
void PeChecksum::Add(const std::uint8_t* data, std::size_t length) {
    if (odd_ && length > 0) {
        sum_ += std::uint64_t{*data++} << 8;
        --length;
        odd_ = false;
    }
    // This loop runs over every byte written: the words are summed in 32-bit
    // registers, in runs short enough not to overflow them.
    const std::size_t whole = length & ~std::size_t{3};
    std::size_t i = 0;
    while (i < whole) {
        const std::size_t end = i + std::min<std::size_t>(whole - i, kRunBytes);
        std::uint32_t low = 0, high = 0;
        for (; i < end; i += 4) {
            const std::uint32_t piece = pe::Get32(data + i);
            low += piece & 0xFFFF;
            high += piece >> 16;
        }
        sum_ += std::uint64_t{low} + high;
    }
    for (; i < length; ++i) sum_ += std::uint64_t{data[i]} << (8 * (i & 1));
    odd_ = (length & 1) != 0;
}

std::uint32_t PeChecksum::Finish(std::uint32_t fileLength) const {
    std::uint64_t sum = sum_;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum) + fileLength;
}

}  // namespace ZORVANE
