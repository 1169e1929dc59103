#include "image/icon_file.h"

#include <algorithm>
#include <cstddef>

#include "image/pe_format.h"

namespace ZORVANE {

namespace {

using pe::Get16;
using pe::Get32;
using pe::Put16;

// ICONDIR, then ICONDIRENTRY per image; the group keeps the first 12 bytes
// of each entry and puts the image's resource ID where the file offset was.
constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kFileEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kEntryCommonPart = 12;
constexpr std::size_t kEntryImageSize = 8, kEntryImageOffset = 12;
constexpr std::uint16_t kIconKind = 1;
// Resource IDs and the group's count are 16-bit; no real icon comes near.
constexpr std::size_t kMostImages = 256;

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

bool IsPng(const std::uint8_t* image, std::size_t size) {
    return size >= sizeof kPngSignature && std::equal(kPngSignature, kPngSignature + sizeof kPngSignature, image);
}

// A DIB as .ico files hold it: BITMAPINFOHEADER (or a later, longer one)
// with the XOR and AND masks stacked, hence twice the height.
bool IsBitmap(const std::uint8_t* image, std::size_t size) {
    if (size < kBitmapInfoHeaderSize) return false;
    const std::uint32_t headerSize = Get32(image);
    return headerSize >= kBitmapInfoHeaderSize && headerSize <= size && Get32(image + 4) != 0 &&
           Get32(image + 8) != 0 && Get16(image + 12) == 1;
}

struct ImageRange {
    std::uint64_t offset, size;
};

// Each image after the directory and no two sharing a byte.
bool ApartFromEachOther(std::vector<ImageRange> ranges, std::uint64_t directoryEnd) {
    std::sort(ranges.begin(), ranges.end(),
              [](const ImageRange& a, const ImageRange& b) { return a.offset < b.offset; });
    std::uint64_t end = directoryEnd;
    for (const ImageRange& range : ranges) {
        if (range.offset < end) return false;
        end = range.offset + range.size;
    }
    return true;
}

}  // namespace

IconFileStatus ParseIconFile(const std::vector<std::uint8_t>& file, IconResources& icons) {
    if (file.size() < kDirectorySize || Get16(file.data()) != 0 || Get16(file.data() + 2) != kIconKind) {
        return IconFileStatus::Damaged;
    }
    const std::size_t count = Get16(file.data() + 4);
    if (count == 0 || count > kMostImages || file.size() < kDirectorySize + count * kFileEntrySize) {
        return IconFileStatus::Damaged;
    }
    IconResources parsed;
    std::vector<ImageRange> ranges;
    std::vector<std::uint8_t>& group = parsed.group;
    group.assign(file.begin(), file.begin() + kDirectorySize);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + kDirectorySize + i * kFileEntrySize;
        const std::uint64_t size = Get32(entry + kEntryImageSize), offset = Get32(entry + kEntryImageOffset);
        if (size == 0 || offset > file.size() || size > file.size() - offset) return IconFileStatus::Damaged;
        const std::uint8_t* image = file.data() + offset;
        if (!IsPng(image, size) && !IsBitmap(image, size)) return IconFileStatus::Damaged;
        ranges.push_back({offset, size});
        group.insert(group.end(), entry, entry + kEntryCommonPart);
        group.resize(group.size() + 2);
        Put16(group.data() + group.size() - 2, static_cast<std::uint16_t>(i + 1));
    }
    static_assert(kEntryCommonPart + 2 == kGroupEntrySize, "GRPICONDIRENTRY is the common part and an ID");
    // Checked before any image is copied, so the copies are bounded by the file.
    if (!ApartFromEachOther(ranges, kDirectorySize + count * kFileEntrySize)) return IconFileStatus::ImagesShared;
    for (const ImageRange& range : ranges) {
        const auto start = file.begin() + static_cast<std::ptrdiff_t>(range.offset);
        parsed.images.emplace_back(start, start + static_cast<std::ptrdiff_t>(range.size));
    }
    icons = std::move(parsed);
    return IconFileStatus::Parsed;
}

}  // namespace ZORVANE
