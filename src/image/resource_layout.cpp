#include "image/resource_layout.h"

#include <algorithm>
#include <array>

#include "image/index_sort.h"
#include "image/pe_format.h"

namespace ZORVANE {

namespace {

using pe::AlignUp;
using pe::Put16;
using pe::Put32;

constexpr std::uint32_t kDataAlignment = 8;
constexpr int kLevels = 3;  // type, name, language

using Ranks = std::array<std::uint32_t, kLevels>;

std::uint32_t NameAtLevel(const ResourceLeaf& leaf, int level) {
    return level == 0 ? leaf.type : level == 1 ? leaf.name : leaf.language;
}

// Each name's place in Windows' order, equal names equal: the names are
// sorted once, so the leaves sort by numbers and no long name is compared
// once per pair of leaves.
std::vector<std::uint32_t> RankNames(const ResourceTree& tree) {
    std::vector<std::uint8_t> used(tree.NameCount());
    for (const ResourceLeaf& leaf : tree.Leaves()) {
        for (int level = 0; level < kLevels; ++level) used[NameAtLevel(leaf, level)] = true;
    }
    std::vector<std::uint32_t> names;
    for (std::uint32_t i = 0; i < used.size(); ++i) {
        if (used[i]) names.push_back(i);
    }
    SortIndices(names, &ResourceTree::NameBefore, &tree);
    std::vector<std::uint32_t> ranks(tree.NameCount());
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0 && CompareResourceNames(tree.NameAt(names[i - 1]), tree.NameAt(names[i])) != 0) ++rank;
        ranks[names[i]] = rank;
    }
    return ranks;
}

bool RanksBefore(const void* ranks, std::uint32_t a, std::uint32_t b) {
    const std::vector<Ranks>& all = *static_cast<const std::vector<Ranks>*>(ranks);
    return all[a] < all[b];
}

struct Group {
    std::size_t first, end;  // sorted leaves sharing one key
};

std::uint32_t TableSize(std::size_t entries) {
    return pe::kResourceTableSize + static_cast<std::uint32_t>(entries) * pe::kResourceEntrySize;
}

// The directory of sorted leaves: all tables breadth first (root, types,
// names), then the data entries, then the names' strings.
class DirectoryBuilder {
public:
    DirectoryBuilder(const ResourceTree& tree, const std::vector<std::uint32_t>& sorted,
                     const std::vector<Ranks>& ranks, std::vector<std::uint8_t>& out)
        : tree_(tree), sorted_(sorted), ranks_(ranks), out_(out) {}

    void Build() {
        const std::vector<Group> types = Split({0, sorted_.size()}, 0);
        std::vector<std::vector<Group>> names;
        std::uint32_t offset = TableSize(types.size());
        std::vector<std::uint32_t> typeTables, nameTables;
        for (const Group& type : types) {
            names.push_back(Split(type, 1));
            typeTables.push_back(offset);
            offset += TableSize(names.back().size());
        }
        for (const std::vector<Group>& ofType : names) {
            for (const Group& name : ofType) {
                nameTables.push_back(offset);
                offset += TableSize(name.end - name.first);
            }
        }
        dataEntries_ = offset;
        out_.assign(offset + sorted_.size() * pe::kResourceDataEntrySize, 0);

        std::vector<std::uint32_t> typeTargets, nameTargets, leafTargets;
        for (std::uint32_t table : typeTables) typeTargets.push_back(table | pe::kHighBit);
        for (std::uint32_t table : nameTables) nameTargets.push_back(table | pe::kHighBit);
        for (std::size_t i = 0; i < sorted_.size(); ++i) leafTargets.push_back(DataEntry(i));

        WriteTable(0, types, 0, typeTargets.data());
        std::size_t nameIndex = 0;
        for (std::size_t t = 0; t < types.size(); ++t) {
            WriteTable(typeTables[t], names[t], 1, nameTargets.data() + nameIndex);
            for (const Group& name : names[t]) {
                WriteTable(nameTables[nameIndex++], Split(name, 2), 2, leafTargets.data() + name.first);
            }
        }
    }

    // Of the leaf at position sorted in the order.
    std::uint32_t DataEntry(std::size_t sorted) const {
        return dataEntries_ + static_cast<std::uint32_t>(sorted) * pe::kResourceDataEntrySize;
    }

private:
    std::vector<Group> Split(Group range, int level) const {
        std::vector<Group> groups;
        for (std::size_t first = range.first; first < range.end;) {
            std::size_t next = first + 1;
            while (next < range.end && ranks_[sorted_[next]][level] == ranks_[sorted_[first]][level]) ++next;
            groups.push_back({first, next});
            first = next;
        }
        return groups;
    }

    // Named keys sort first, so they are the table's first entries.
    void WriteTable(std::uint32_t at, const std::vector<Group>& groups, int level, const std::uint32_t* targets) {
        std::uint16_t named = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const ResourceName& key = tree_.NameAt(NameAtLevel(tree_.Leaves()[sorted_[groups[i].first]], level));
            // The string is added first: adding it may move out_.
            const std::uint32_t field = key.isString ? AddString(key.text) | pe::kHighBit : key.id;
            const std::uint32_t entry = at + TableSize(i);
            Put32(out_.data() + entry, field);
            Put32(out_.data() + entry + 4, targets[i]);
            named += key.isString ? 1 : 0;
        }
        Put16(out_.data() + at + pe::kNumberOfNamedEntries, named);
        Put16(out_.data() + at + pe::kNumberOfIdEntries, static_cast<std::uint16_t>(groups.size() - named));
    }

    std::uint32_t AddString(const std::u16string& text) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out_.size());
        out_.resize(out_.size() + 2 + text.size() * 2);
        Put16(out_.data() + offset, static_cast<std::uint16_t>(text.size()));
        for (std::size_t i = 0; i < text.size(); ++i) Put16(out_.data() + offset + 2 + 2 * i, text[i]);
        return offset;
    }

    const ResourceTree& tree_;
    const std::vector<std::uint32_t>& sorted_;
    const std::vector<Ranks>& ranks_;
    std::vector<std::uint8_t>& out_;
    std::uint32_t dataEntries_ = 0;
};

}  // namespace

bool LayOutResourceSection(const ResourceTree& tree, std::uint32_t sectionRva, const ResourceKey& lastLeaf,
                           ResourceSectionLayout& layout) {
    const std::vector<ResourceLeaf>& leaves = tree.Leaves();
    const std::vector<std::uint32_t> nameRanks = RankNames(tree);
    std::vector<Ranks> ranks(leaves.size());
    std::vector<std::uint32_t> sorted(leaves.size());
    for (std::uint32_t i = 0; i < leaves.size(); ++i) {
        ranks[i] = {nameRanks[leaves[i].type], nameRanks[leaves[i].name], nameRanks[leaves[i].language]};
        sorted[i] = i;
    }
    SortIndices(sorted, &RanksBefore, &ranks);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (ranks[sorted[i - 1]] == ranks[sorted[i]]) return false;
    }
    DirectoryBuilder builder(tree, sorted, ranks, layout.directory);
    builder.Build();
    layout.directory.resize(AlignUp(layout.directory.size(), kDataAlignment), 0);

    std::vector<std::uint32_t> offsets(leaves.size());
    layout.dataOrder.clear();
    layout.dataOffsets.clear();
    std::uint64_t end = layout.directory.size();
    for (bool last : {false, true}) {
        for (std::uint32_t leaf : sorted) {
            if (tree.HasKey(leaves[leaf], lastLeaf) != last) continue;
            const std::uint64_t offset = AlignUp(end, kDataAlignment);
            end = offset + leaves[leaf].data.size;
            offsets[leaf] = static_cast<std::uint32_t>(offset);
            layout.dataOrder.push_back(leaf);
            layout.dataOffsets.push_back(offsets[leaf]);
        }
    }
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const ResourceLeaf& leaf = leaves[sorted[i]];
        std::uint8_t* entry = layout.directory.data() + builder.DataEntry(i);
        Put32(entry, sectionRva + offsets[sorted[i]]);
        Put32(entry + 4, static_cast<std::uint32_t>(leaf.data.size));
        Put32(entry + 8, leaf.codePage);
    }
    layout.size = end;
    return true;
}

}  // namespace ZORVANE
