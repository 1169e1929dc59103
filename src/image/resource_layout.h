// A new resource section from the model's leaves: the directory in the order
// the loader's binary search needs, then each leaf's data.
#pragma once

#include <cstdint>
#include <vector>

#include "image/resource_tree.h"

namespace ZORVANE {

struct ResourceSectionLayout {
    // Tables, data entries and names, padded so that the data can follow.
    std::vector<std::uint8_t> directory;
    // The leaves (indices into the tree's leaves) in the order their data
    // follows the directory, and where each one's data starts in the section.
    std::vector<std::uint32_t> dataOrder;
    std::vector<std::uint32_t> dataOffsets;
    std::uint64_t size = 0;  // the whole section
};

// Lays out the section at sectionRva. The leaf with key lastLeaf, if there
// is one, goes after all others. The addresses are only meaningful when the
// section ends below 4 GiB. False when two leaves have the same key.
[[nodiscard]] bool LayOutResourceSection(const ResourceTree& tree, std::uint32_t sectionRva,
                                         const ResourceKey& lastLeaf, ResourceSectionLayout& layout);

}  // namespace ZORVANE
