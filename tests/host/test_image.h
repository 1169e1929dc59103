// Launcher-like PE images made in the test, with a resource tree written in
// the order given (not sorted), and a reader of what the writer made.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/unique_stream.h"
#include "image/image_layout.h"
#include "image/image_read_result.h"
#include "image/image_write_status.h"
#include "image/launcher_image.h"

namespace ZORVANE {
namespace test {

struct TestLeaf {
    std::string type, name;  // "#n" is the ID n
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

struct TestImage {
    std::vector<TestLeaf> leaves;
    bool relocations = true;          // a .reloc section after the resources
    std::size_t certificateSize = 0;  // a certificate appended, as signing does
    bool sharedData = false;          // every leaf's data entry points at the first leaf's data
};

// Offsets in the made image: headers, section table, data directories.
constexpr std::uint32_t kPeOffset = 0x80;
constexpr std::uint32_t kOptionalHeader = kPeOffset + 24;
constexpr std::uint32_t kDirectories = kOptionalHeader + 96;
constexpr std::uint32_t kSectionTable = kOptionalHeader + 224;
constexpr std::uint32_t kImageBase = 0x400000;

std::vector<std::uint8_t> MakeImage(const TestImage& image);

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at);
void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);

// The PE checksum as its definition states it: 16-bit little-endian words
// added with the carry folded back after each, then the file's length; the
// checksum field counts as zero.
std::uint32_t ReferenceChecksum(std::vector<std::uint8_t> image);

// The leaves of an image's resource tree, in the order its tables list
// them, as "type/name/language" with their data.
struct FoundLeaf {
    std::string path;
    std::vector<std::uint8_t> data;
};
std::vector<FoundLeaf> ReadLeaves(const std::vector<std::uint8_t>& image);

// A launcher made from source with change, step by step as the makers take
// them: read, laid out, written. Each step is taken only when the one before
// it succeeded; bytes are what was written.
struct MadeLauncher {
    ImageReadResult read;
    ImageLayoutStatus layout = ImageLayoutStatus::LaidOut;
    ImageWriteStatus write = ImageWriteStatus::Written;
    std::vector<std::uint8_t> bytes;

    bool Made() const { return read.Passed() && layout == ImageLayoutStatus::LaidOut && write == ImageWriteStatus::Written; }
};
MadeLauncher MakeLauncher(const std::vector<std::uint8_t>& source, const PayloadReplacement& change);

// A temporary file holding bytes, positioned at its start.
UniqueStream FileWith(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ContentsOf(std::FILE* file);

}  // namespace test
}  // namespace ZORVANE
