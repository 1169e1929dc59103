#include "image/image_model.h"

#include <algorithm>

namespace ZORVANE {

bool ImageModel::ReadLeaf(const LeafData& data, std::uint64_t offset, char* buffer, std::size_t length) const {
    if (data.origin == LeafData::Origin::Bytes) {
        std::copy_n(data.bytes.begin() + static_cast<std::ptrdiff_t>(offset), length, buffer);
        return true;
    }
    return data.origin == LeafData::Origin::Source && source.Read(data.sourceOffset + offset, buffer, length);
}

bool ImageModel::SetLeaf(const ResourceKey& key, LeafData data, std::uint32_t codePage) {
    const bool set = resources_.SetLeaf(key, std::move(data), codePage);
    changed_ = changed_ || set;
    return set;
}

bool ImageModel::RemoveLeaf(const ResourceKey& key) {
    const bool removed = resources_.RemoveLeaf(key);
    changed_ = changed_ || removed;
    return removed;
}

std::uint32_t ImageModel::OptionalField(std::uint32_t offset) const {
    return pe::Get32(headers.data() + peOffset + pe::kOptionalHeaderStart + offset);
}

std::uint32_t ImageModel::DirectoryAddress(std::uint32_t index) const {
    return index < directoryCount ? OptionalField(pe::kDataDirectories + 8 * index) : 0;
}

std::uint32_t ImageModel::DirectorySize(std::uint32_t index) const {
    return index < directoryCount ? OptionalField(pe::kDataDirectories + 8 * index + 4) : 0;
}

}  // namespace ZORVANE
