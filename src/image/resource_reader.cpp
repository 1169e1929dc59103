#include "image/resource_reader.h"

#include <algorithm>

#include "image/index_sort.h"

namespace ZORVANE {

namespace {

using pe::Get16;
using pe::Get32;

// All tables' entries together: this bounds the work on a tree whose tables
// point at each other many times over.
constexpr std::size_t kMaxEntries = 4096;
constexpr int kLevels = 3;  // type, name, language

using Failure = ImageReadFailure;
constexpr ImageReadResult kRead{};

class TreeReader {
public:
    TreeReader(const ImageSource& source, const std::vector<pe::Section>& sections, const pe::Section& resources,
               ResourceTree& tree)
        : source_(source), sections_(sections), base_(resources.rawPointer),
          size_(std::min(resources.rawSize, resources.virtualSize)), tree_(tree) {}

    ImageReadResult ReadTable(std::uint32_t offset, int level, ResourceLeaf& path) {
        std::uint8_t header[pe::kResourceTableSize];
        if (!ReadTree(offset, header, sizeof header)) return {Failure::TreeOutsideSection};
        const std::uint32_t count =
            std::uint32_t{Get16(header + pe::kNumberOfNamedEntries)} + Get16(header + pe::kNumberOfIdEntries);
        entries_ += count;
        if (entries_ > kMaxEntries) return {Failure::TreeTooManyEntries};
        std::vector<std::uint8_t> table(count * pe::kResourceEntrySize);
        if (!ReadTree(offset + pe::kResourceTableSize, table.data(), table.size())) {
            return {Failure::TreeOutsideSection};
        }
        std::vector<std::uint32_t> names(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const ImageReadResult name = ReadName(Get32(table.data() + i * pe::kResourceEntrySize), names[i]);
            if (!name.Passed()) return name;
        }
        if (HasDoubles(names)) return {Failure::TreeEqualEntries};
        for (std::uint32_t i = 0; i < count; ++i) {
            (level == 0 ? path.type : level == 1 ? path.name : path.language) = names[i];
            const std::uint32_t target = Get32(table.data() + i * pe::kResourceEntrySize + 4);
            const bool isTable = (target & pe::kHighBit) != 0;
            if (isTable != (level < kLevels - 1)) return {Failure::TreeNotThreeLevels};
            const ImageReadResult entry =
                isTable ? ReadTable(target & ~pe::kHighBit, level + 1, path) : ReadData(target, path);
            if (!entry.Passed()) return entry;
        }
        return kRead;
    }

    // Each leaf's data is copied once: data shared by leaves would multiply the output.
    bool LeavesOverlap() const {
        const std::vector<ResourceLeaf>& leaves = tree_.Leaves();
        std::vector<std::uint32_t> order;
        for (std::uint32_t i = 0; i < leaves.size(); ++i) {
            if (leaves[i].data.size != 0) order.push_back(i);
        }
        SortIndices(order, &StartsBefore, &leaves);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const LeafData& previous = leaves[order[i - 1]].data;
            if (previous.sourceOffset + previous.size > leaves[order[i]].data.sourceOffset) return true;
        }
        return false;
    }

private:
    bool ReadTree(std::uint64_t offset, void* buffer, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset && source_.Read(base_ + offset, buffer, length);
    }

    // Sorted, so that a table of many long names is not compared pair by pair.
    bool HasDoubles(std::vector<std::uint32_t> names) const {
        SortIndices(names, &ResourceTree::NameBefore, &tree_);
        for (std::size_t i = 1; i < names.size(); ++i) {
            if (CompareResourceNames(tree_.NameAt(names[i - 1]), tree_.NameAt(names[i])) == 0) return true;
        }
        return false;
    }

    static bool StartsBefore(const void* leaves, std::uint32_t a, std::uint32_t b) {
        const std::vector<ResourceLeaf>& all = *static_cast<const std::vector<ResourceLeaf>*>(leaves);
        return all[a].data.sourceOffset < all[b].data.sourceOffset;
    }

    ImageReadResult ReadName(std::uint32_t field, std::uint32_t& index) {
        ResourceName name;
        if ((field & pe::kHighBit) == 0) {
            if (field > 0xFFFF) return {Failure::TreeIdPast16Bits};
            name.id = static_cast<std::uint16_t>(field);
            return Added(tree_.AddName(std::move(name), index), Failure::TreeNamesPastLimits);
        }
        const std::uint32_t offset = field & ~pe::kHighBit;
        std::uint8_t length[2];
        if (!ReadTree(offset, length, sizeof length)) return {Failure::TreeOutsideSection};
        std::vector<std::uint8_t> units(Get16(length) * std::size_t{2});
        if (!ReadTree(std::uint64_t{offset} + 2, units.data(), units.size())) return {Failure::TreeOutsideSection};
        name.isString = true;
        for (std::size_t i = 0; i < units.size(); i += 2) name.text.push_back(Get16(units.data() + i));
        return Added(tree_.AddName(std::move(name), index), Failure::TreeNamesPastLimits);
    }

    static ImageReadResult Added(bool added, Failure failure) { return added ? kRead : ImageReadResult{failure}; }

    ImageReadResult ReadData(std::uint32_t offset, const ResourceLeaf& path) {
        std::uint8_t entry[pe::kResourceDataEntrySize];
        if (!ReadTree(offset, entry, sizeof entry)) return {Failure::TreeOutsideSection};
        const std::uint32_t rva = Get32(entry), size = Get32(entry + 4);
        ResourceLeaf leaf;
        leaf.type = path.type;
        leaf.name = path.name;
        leaf.language = path.language;
        leaf.codePage = Get32(entry + 8);
        std::uint64_t fileOffset = 0;
        if (!FileOffsetOf(rva, size, fileOffset)) return {Failure::TreeDataOutsideSections};
        leaf.data = LeafData::FromSource(fileOffset, size);
        return Added(tree_.AddLeaf(std::move(leaf)), Failure::TreeTooManyLeaves);
    }

    // The data must lie in the file-backed, mapped part of one section.
    bool FileOffsetOf(std::uint32_t rva, std::uint32_t size, std::uint64_t& offset) const {
        for (const pe::Section& section : sections_) {
            const std::uint64_t backed = std::min(section.rawSize, section.virtualSize);
            if (rva < section.virtualAddress || rva - section.virtualAddress > backed) continue;
            const std::uint64_t start = rva - section.virtualAddress;
            if (size > backed - start) return false;
            offset = section.rawPointer + start;
            return source_.Holds(offset, size);
        }
        return false;
    }

    const ImageSource& source_;
    const std::vector<pe::Section>& sections_;
    std::uint64_t base_;
    std::uint32_t size_;
    ResourceTree& tree_;
    std::size_t entries_ = 0;
};

}  // namespace

ImageReadResult ReadResourceTree(const ImageSource& source, const std::vector<pe::Section>& sections,
                                 const pe::Section& resources, ResourceTree& tree) {
    tree = ResourceTree();
    TreeReader reader(source, sections, resources, tree);
    ResourceLeaf path;
    const ImageReadResult read = reader.ReadTable(0, 0, path);
    if (!read.Passed()) return read;
    return reader.LeavesOverlap() ? ImageReadResult{Failure::TreeDataShared} : kRead;
}

}  // namespace ZORVANE
