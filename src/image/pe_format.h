// The parts of the PE/COFF format the image writer reads and changes: field
// offsets and little-endian accessors, independent of the host's byte order
// and of any platform header.
#pragma once

#include <cstdint>

namespace ZORVANE {
namespace pe {

inline std::uint16_t Get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

inline std::uint32_t Get32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

inline void Put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// value rounded up to a multiple of alignment, a power of two.
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

// DOS stub header.
constexpr std::uint32_t kDosHeaderSize = 64;
constexpr std::uint32_t kNewHeaderPointer = 0x3C;

// "PE\0\0", then the COFF file header.
constexpr std::uint32_t kSignature = 0x00004550;
constexpr std::uint32_t kFileHeaderStart = 4;
constexpr std::uint32_t kNumberOfSections = 2;
constexpr std::uint32_t kPointerToSymbolTable = 8;
constexpr std::uint32_t kNumberOfSymbols = 12;
constexpr std::uint32_t kSizeOfOptionalHeader = 16;
constexpr std::uint32_t kOptionalHeaderStart = kFileHeaderStart + 20;

// PE32 optional header, offsets from its start.
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint32_t kSizeOfInitializedData = 8;
constexpr std::uint32_t kAddressOfEntryPoint = 16;
constexpr std::uint32_t kImageBase = 28;
constexpr std::uint32_t kSectionAlignment = 32;
constexpr std::uint32_t kFileAlignment = 36;
constexpr std::uint32_t kSizeOfImage = 56;
constexpr std::uint32_t kSizeOfHeaders = 60;
constexpr std::uint32_t kCheckSum = 64;
constexpr std::uint32_t kNumberOfRvaAndSizes = 92;
constexpr std::uint32_t kDataDirectories = 96;
constexpr std::uint32_t kMaxDataDirectories = 16;

// Data directory slots: RVA, then size (the security slot holds a file offset).
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kBaseRelocationDirectory = 5;

// Section header.
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kVirtualSize = 8;
constexpr std::uint32_t kVirtualAddress = 12;
constexpr std::uint32_t kSizeOfRawData = 16;
constexpr std::uint32_t kPointerToRawData = 20;
constexpr std::uint32_t kSectionCharacteristics = 36;
constexpr std::uint32_t kContainsInitializedData = 0x00000040;
constexpr std::uint32_t kMemoryDiscardable = 0x02000000;
constexpr std::uint32_t kMaxSections = 96;

// Resource directory table, its entries and data entries.
constexpr std::uint32_t kResourceTableSize = 16;
constexpr std::uint32_t kNumberOfNamedEntries = 12;
constexpr std::uint32_t kNumberOfIdEntries = 14;
constexpr std::uint32_t kResourceEntrySize = 8;
constexpr std::uint32_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000;  // named entry, or subdirectory

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;  // as mapped: the raw size when the header says 0
    std::uint32_t rawPointer = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t characteristics = 0;
};

}  // namespace pe
}  // namespace ZORVANE
