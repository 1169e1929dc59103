#include "update/resource_directory.h"

#include <algorithm>
#include <initializer_list>

namespace ZORVANE {

namespace {

using pe::AlignUp;
using pe::Get16;
using pe::Get32;
using pe::Put16;
using pe::Put32;

// A launcher has a dozen resources; this bounds the work on a tree whose
// tables point at each other many times over.
constexpr std::size_t kMaxEntries = 4096;
// And this the memory its names take, when many entries share a long one.
constexpr std::size_t kMaxNameUnits = 1 << 16;
constexpr int kLevels = 3;  // type, name, language
constexpr std::uint32_t kDataAlignment = 8;

// Upper case as Windows' table has it for the scripts resource names use in
// practice: ASCII, Latin-1, Greek and Cyrillic.
char16_t UpperCase(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

class TreeReader {
public:
    TreeReader(const ImageSource& source, const std::vector<pe::Section>& sections,
               const pe::Section& resources, std::vector<ResourceLeaf>& leaves)
        : source_(source), sections_(sections), base_(resources.rawPointer),
          size_(std::min(resources.rawSize, resources.virtualSize)), leaves_(leaves) {}

    bool ReadTable(std::uint32_t offset, int level, ResourceLeaf& path) {
        std::uint8_t header[pe::kResourceTableSize];
        if (!ReadTree(offset, header, sizeof header)) return false;
        const std::uint32_t count =
            std::uint32_t{Get16(header + pe::kNumberOfNamedEntries)} + Get16(header + pe::kNumberOfIdEntries);
        entries_ += count;
        if (entries_ > kMaxEntries) return false;
        std::vector<std::uint8_t> table(count * pe::kResourceEntrySize);
        if (!ReadTree(offset + pe::kResourceTableSize, table.data(), table.size())) return false;
        std::vector<ResourceName> seen;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = table.data() + i * pe::kResourceEntrySize;
            ResourceName& name = level == 0 ? path.type : level == 1 ? path.name : path.language;
            if (!ReadName(Get32(entry), name)) return false;
            for (const ResourceName& other : seen) {
                if (CompareResourceNames(other, name) == 0) return false;
            }
            seen.push_back(name);
            const std::uint32_t target = Get32(entry + 4);
            const bool isTable = (target & pe::kHighBit) != 0;
            if (isTable != (level < kLevels - 1)) return false;
            const bool sound = isTable ? ReadTable(target & ~pe::kHighBit, level + 1, path)
                                       : ReadData(target, path);
            if (!sound) return false;
        }
        return true;
    }

private:
    bool ReadTree(std::uint64_t offset, void* buffer, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset && source_.Read(base_ + offset, buffer, length);
    }

    bool ReadName(std::uint32_t field, ResourceName& name) {
        name = ResourceName();
        if ((field & pe::kHighBit) == 0) {
            if (field > 0xFFFF) return false;
            name.id = static_cast<std::uint16_t>(field);
            return true;
        }
        const std::uint32_t offset = field & ~pe::kHighBit;
        std::uint8_t length[2];
        if (!ReadTree(offset, length, sizeof length)) return false;
        nameUnits_ += Get16(length);
        if (nameUnits_ > kMaxNameUnits) return false;
        std::vector<std::uint8_t> units(Get16(length) * std::size_t{2});
        if (!ReadTree(std::uint64_t{offset} + 2, units.data(), units.size())) return false;
        name.isString = true;
        for (std::size_t i = 0; i < units.size(); i += 2) name.text.push_back(Get16(units.data() + i));
        return true;
    }

    bool ReadData(std::uint32_t offset, ResourceLeaf& path) {
        std::uint8_t entry[pe::kResourceDataEntrySize];
        if (!ReadTree(offset, entry, sizeof entry)) return false;
        const std::uint32_t rva = Get32(entry), size = Get32(entry + 4);
        ResourceLeaf leaf = path;
        leaf.codePage = Get32(entry + 8);
        leaf.size = size;
        if (!FileOffsetOf(rva, size, leaf.sourceOffset)) return false;
        leaves_.push_back(leaf);
        return true;
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
    std::vector<ResourceLeaf>& leaves_;
    std::size_t entries_ = 0;
    std::size_t nameUnits_ = 0;
};

int CompareLeaves(const ResourceLeaf& a, const ResourceLeaf& b) {
    if (int order = CompareResourceNames(a.type, b.type)) return order;
    if (int order = CompareResourceNames(a.name, b.name)) return order;
    return CompareResourceNames(a.language, b.language);
}

const ResourceName& KeyAt(const ResourceLeaf& leaf, int level) {
    return level == 0 ? leaf.type : level == 1 ? leaf.name : leaf.language;
}

struct Group {
    std::size_t first, end;  // leaves sharing one key
};

std::vector<Group> Split(const std::vector<ResourceLeaf>& leaves, Group range, int level) {
    std::vector<Group> groups;
    for (std::size_t first = range.first; first < range.end;) {
        std::size_t next = first + 1;
        while (next < range.end && CompareResourceNames(KeyAt(leaves[first], level), KeyAt(leaves[next], level)) == 0) {
            ++next;
        }
        groups.push_back({first, next});
        first = next;
    }
    return groups;
}

std::uint32_t TableSize(std::size_t entries) {
    return pe::kResourceTableSize + static_cast<std::uint32_t>(entries) * pe::kResourceEntrySize;
}

// The directory of sorted leaves: all tables breadth first (root, types,
// names), then the data entries, then the names' strings.
class DirectoryBuilder {
public:
    DirectoryBuilder(const std::vector<ResourceLeaf>& leaves, std::vector<std::uint8_t>& out)
        : leaves_(leaves), out_(out) {}

    void Build() {
        const std::vector<Group> types = Split(leaves_, {0, leaves_.size()}, 0);
        std::vector<std::vector<Group>> names;
        std::uint32_t offset = TableSize(types.size());
        std::vector<std::uint32_t> typeTables, nameTables;
        for (const Group& type : types) {
            names.push_back(Split(leaves_, type, 1));
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
        out_.assign(offset + leaves_.size() * pe::kResourceDataEntrySize, 0);

        std::vector<std::uint32_t> typeTargets, nameTargets, leafTargets;
        for (std::uint32_t table : typeTables) typeTargets.push_back(table | pe::kHighBit);
        for (std::uint32_t table : nameTables) nameTargets.push_back(table | pe::kHighBit);
        for (std::size_t i = 0; i < leaves_.size(); ++i) leafTargets.push_back(DataEntry(i));

        WriteTable(0, types, 0, typeTargets.data());
        std::size_t nameIndex = 0;
        for (std::size_t t = 0; t < types.size(); ++t) {
            WriteTable(typeTables[t], names[t], 1, nameTargets.data() + nameIndex);
            for (const Group& name : names[t]) {
                WriteTable(nameTables[nameIndex++], Split(leaves_, name, 2), 2, leafTargets.data() + name.first);
            }
        }
    }

    std::uint32_t DataEntry(std::size_t leaf) const {
        return dataEntries_ + static_cast<std::uint32_t>(leaf) * pe::kResourceDataEntrySize;
    }

private:
    // Named keys sort first, so they are the table's first entries.
    void WriteTable(std::uint32_t at, const std::vector<Group>& groups, int level, const std::uint32_t* targets) {
        std::uint16_t named = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const ResourceName& key = KeyAt(leaves_[groups[i].first], level);
            const std::uint32_t entry = at + TableSize(i);
            Put32(out_.data() + entry, key.isString ? AddString(key.text) | pe::kHighBit : key.id);
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

    const std::vector<ResourceLeaf>& leaves_;
    std::vector<std::uint8_t>& out_;
    std::uint32_t dataEntries_ = 0;
};

}  // namespace

ResourceName ResourceId(std::uint16_t id) {
    ResourceName name;
    name.id = id;
    return name;
}

ResourceName ResourceString(const char* ascii) {
    ResourceName name;
    name.isString = true;
    for (; *ascii != '\0'; ++ascii) name.text.push_back(static_cast<char16_t>(*ascii));
    return name;
}

int CompareResourceNames(const ResourceName& a, const ResourceName& b) {
    if (a.isString != b.isString) return a.isString ? -1 : 1;
    if (!a.isString) return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;
    const std::size_t common = std::min(a.text.size(), b.text.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = UpperCase(a.text[i]), y = UpperCase(b.text[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.text.size() < b.text.size() ? -1 : a.text.size() > b.text.size() ? 1 : 0;
}

bool ReadResourceLeaves(const ImageSource& source, const std::vector<pe::Section>& sections,
                        const pe::Section& resources, std::vector<ResourceLeaf>& leaves) {
    leaves.clear();
    ResourceLeaf path;
    return TreeReader(source, sections, resources, leaves).ReadTable(0, 0, path);
}

bool LayOutResourceSection(std::vector<ResourceLeaf>& leaves, std::uint32_t sectionRva,
                           std::vector<std::uint8_t>& directory, std::uint64_t& sectionSize) {
    // Insertion sort: a launcher has a dozen leaves, and it keeps the image small.
    for (std::size_t i = 1; i < leaves.size(); ++i) {
        for (std::size_t j = i; j > 0 && CompareLeaves(leaves[j - 1], leaves[j]) > 0; --j) {
            std::swap(leaves[j - 1], leaves[j]);
        }
    }
    for (std::size_t i = 1; i < leaves.size(); ++i) {
        if (CompareLeaves(leaves[i - 1], leaves[i]) == 0) return false;
    }
    DirectoryBuilder builder(leaves, directory);
    builder.Build();
    directory.resize(AlignUp(directory.size(), kDataAlignment), 0);

    std::uint64_t end = directory.size();
    for (bool last : {false, true}) {
        for (ResourceLeaf& leaf : leaves) {
            if (leaf.placedLast != last) continue;
            const std::uint64_t offset = AlignUp(end, kDataAlignment);
            end = offset + leaf.size;
            leaf.offsetInSection = static_cast<std::uint32_t>(offset);
        }
    }
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        std::uint8_t* entry = directory.data() + builder.DataEntry(i);
        Put32(entry, sectionRva + leaves[i].offsetInSection);
        Put32(entry + 4, static_cast<std::uint32_t>(leaves[i].size));
        Put32(entry + 8, leaves[i].codePage);
    }
    sectionSize = end;
    return true;
}

}  // namespace ZORVANE

