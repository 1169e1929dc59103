// A PE resource tree as a list of leaves (type, name, language), read from a
// source image with every offset checked, and laid out again as a new
// resource section in the order the loader's binary search needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/image_source.h"
#include "update/pe_format.h"

namespace ZORVANE {

struct ResourceName {
    bool isString = false;
    std::uint16_t id = 0;
    std::u16string text;  // UTF-16 code units, when isString
};

ResourceName ResourceId(std::uint16_t id);
ResourceName ResourceString(const char* ascii);

// Windows' order: named entries before IDs; names compared as upper-case
// UTF-16, the shorter first when one is a prefix; IDs by value.
int CompareResourceNames(const ResourceName& a, const ResourceName& b);

enum class ResourceOrigin { Source, Package, Params, Bytes };

struct ResourceLeaf {
    ResourceName type, name, language;
    std::uint32_t codePage = 0;
    ResourceOrigin origin = ResourceOrigin::Source;
    std::uint64_t sourceOffset = 0;  // file offset of the data, for Source
    std::uint64_t size = 0;
    std::size_t bytesIndex = 0;         // into PayloadReplacement::resources, for Bytes
    bool placedLast = false;            // its data goes after all others'
    std::uint32_t offsetInSection = 0;  // set by LayOutResourceSection
};

// Reads the tree whose root is at the start of section resources. Leaves'
// data may lie in any section's file-backed part. False when any offset,
// count, size or name leaves its bounds, the tree is not three levels deep,
// it is too large to be a launcher's, or two entries of one table are equal.
bool ReadResourceLeaves(const ImageSource& source, const std::vector<pe::Section>& sections,
                        const pe::Section& resources, std::vector<ResourceLeaf>& leaves);

// Sorts leaves and builds the directory part of a new resource section at
// sectionRva: tables, data entries and names, padded so that the data can
// follow. Each leaf's data gets its place after it, placedLast after all
// others. sectionSize receives the whole length; the addresses are only
// meaningful when the section ends below 4 GiB. False when two leaves have
// the same identity.
bool LayOutResourceSection(std::vector<ResourceLeaf>& leaves, std::uint32_t sectionRva,
                           std::vector<std::uint8_t>& directory, std::uint64_t& sectionSize);

}  // namespace ZORVANE
