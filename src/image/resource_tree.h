// The resource part of an image model: its leaves (type, name, language) and
// where each leaf's bytes come from. Names are kept once in a table that the
// leaves refer to, so a long name shared by many leaves costs its length once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/resource_name.h"

namespace ZORVANE {

// The bytes of one leaf.
struct LeafData {
    enum class Origin { Source, Bytes, Stream };

    static LeafData FromSource(std::uint64_t offset, std::uint64_t size);
    static LeafData FromBytes(std::vector<std::uint8_t> bytes);
    // size bytes read from stream's position when the image is written; the
    // stream must end there, or the write fails.
    static LeafData FromStream(std::FILE* stream, std::uint64_t size);

    Origin origin = Origin::Bytes;
    std::uint64_t size = 0;
    std::uint64_t sourceOffset = 0;   // Source: file offset in the source image
    std::vector<std::uint8_t> bytes;  // Bytes
    std::FILE* stream = nullptr;      // Stream
};

struct ResourceLeaf {
    std::uint32_t type = 0, name = 0, language = 0;  // indices into the tree's names
    std::uint32_t codePage = 0;
    LeafData data;
};

class ResourceTree {
public:
    // Far beyond any launcher; they bound the work a hostile source can cause.
    static constexpr std::size_t kMaxLeaves = 4096;
    static constexpr std::size_t kMaxNames = 1 << 16;
    static constexpr std::size_t kMaxNameUnits = 1 << 16;  // all names together

    // Replaces the leaf whose key equals key (names compared as Windows
    // does), or adds one. False, changing nothing, past a limit.
    [[nodiscard]] bool SetLeaf(const ResourceKey& key, LeafData data, std::uint32_t codePage = 0);
    // False when there is no such leaf.
    bool RemoveLeaf(const ResourceKey& key);
    const ResourceLeaf* FindLeaf(const ResourceKey& key) const;

    const std::vector<ResourceLeaf>& Leaves() const { return leaves_; }
    const ResourceName& NameAt(std::uint32_t index) const { return names_[index]; }
    std::size_t NameCount() const { return names_.size(); }
    bool HasKey(const ResourceLeaf& leaf, const ResourceKey& key) const;
    ResourceKey KeyOf(const ResourceLeaf& leaf) const {
        return {names_[leaf.type], names_[leaf.name], names_[leaf.language]};
    }
    // An IndexOrder (index_sort.h) of names in Windows' order; context is the tree.
    static bool NameBefore(const void* tree, std::uint32_t a, std::uint32_t b);

    // For the reader, which checks keys for doubles itself: a name kept once
    // however many leaves refer to it, and a leaf. False past a limit.
    [[nodiscard]] bool AddName(ResourceName name, std::uint32_t& index);
    [[nodiscard]] bool AddLeaf(ResourceLeaf leaf);

private:
    std::vector<ResourceName> names_;
    std::vector<ResourceLeaf> leaves_;
    std::size_t nameUnits_ = 0;
};

}  // namespace ZORVANE
