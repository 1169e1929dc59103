#include "image/resource_tree.h"

#include <utility>

namespace ZORVANE {

LeafData LeafData::FromSource(std::uint64_t offset, std::uint64_t size) {
    LeafData data;
    data.origin = Origin::Source;
    data.sourceOffset = offset;
    data.size = size;
    return data;
}

LeafData LeafData::FromBytes(std::vector<std::uint8_t> bytes) {
    LeafData data;
    data.size = bytes.size();
    data.bytes = std::move(bytes);
    return data;
}

LeafData LeafData::FromStream(std::FILE* stream, std::uint64_t size) {
    LeafData data;
    data.origin = Origin::Stream;
    data.stream = stream;
    data.size = size;
    return data;
}

bool ResourceTree::HasKey(const ResourceLeaf& leaf, const ResourceKey& key) const {
    return CompareResourceNames(names_[leaf.type], key.type) == 0 &&
           CompareResourceNames(names_[leaf.name], key.name) == 0 &&
           CompareResourceNames(names_[leaf.language], key.language) == 0;
}

bool ResourceTree::NameBefore(const void* tree, std::uint32_t a, std::uint32_t b) {
    const ResourceTree& names = *static_cast<const ResourceTree*>(tree);
    return CompareResourceNames(names.NameAt(a), names.NameAt(b)) < 0;
}

const ResourceLeaf* ResourceTree::FindLeaf(const ResourceKey& key) const {
    for (const ResourceLeaf& leaf : leaves_) {
        if (HasKey(leaf, key)) return &leaf;
    }
    return nullptr;
}

bool ResourceTree::SetLeaf(const ResourceKey& key, LeafData data, std::uint32_t codePage) {
    const ResourceLeaf* existing = FindLeaf(key);
    if (existing == nullptr && leaves_.size() >= kMaxLeaves) return false;
    const std::size_t units = key.type.text.size() + key.name.text.size() + key.language.text.size();
    if (units > kMaxNameUnits - nameUnits_ || names_.size() + 3 > kMaxNames) return false;
    ResourceLeaf leaf;
    // The key's own spelling replaces the old one, as the platform's update does.
    if (!AddName(key.type, leaf.type) || !AddName(key.name, leaf.name) || !AddName(key.language, leaf.language)) {
        return false;
    }
    leaf.codePage = codePage;
    leaf.data = std::move(data);
    if (existing != nullptr) {
        leaves_[static_cast<std::size_t>(existing - leaves_.data())] = std::move(leaf);
    } else {
        leaves_.push_back(std::move(leaf));
    }
    return true;
}

bool ResourceTree::RemoveLeaf(const ResourceKey& key) {
    const ResourceLeaf* existing = FindLeaf(key);
    if (existing == nullptr) return false;
    leaves_.erase(leaves_.begin() + (existing - leaves_.data()));
    return true;
}

bool ResourceTree::AddName(ResourceName name, std::uint32_t& index) {
    if (names_.size() >= kMaxNames || name.text.size() > kMaxNameUnits - nameUnits_) return false;
    nameUnits_ += name.text.size();
    index = static_cast<std::uint32_t>(names_.size());
    names_.push_back(std::move(name));
    return true;
}

bool ResourceTree::AddLeaf(ResourceLeaf leaf) {
    if (leaves_.size() >= kMaxLeaves) return false;
    leaves_.push_back(std::move(leaf));
    return true;
}

}  // namespace ZORVANE
