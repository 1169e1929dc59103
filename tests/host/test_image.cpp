#include "test_image.h"

#include <algorithm>

#include "image/image_writer.h"

namespace ZORVANE {
namespace test {

namespace {

constexpr std::uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;
constexpr std::uint32_t kHeadersSize = 0x400;
constexpr std::uint32_t kTextRva = 0x1000, kResourceRva = 0x2000;

std::uint32_t Align(std::uint32_t value, std::uint32_t to) { return (value + to - 1) / to * to; }

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t Get16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// A resource section written as the leaves come: tables, then each child
// appended and its place patched into the parent's entry.
class TreeWriter {
public:
    TreeWriter(const std::vector<TestLeaf>& leaves, bool shared) : leaves_(leaves), shared_(shared) {}

    std::vector<std::uint8_t> Write() {
        std::vector<std::size_t> all(leaves_.size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
        Table(all, 0);
        return out_;
    }

private:
    std::string KeyOf(std::size_t leaf, int level) const {
        const TestLeaf& l = leaves_[leaf];
        return level == 0 ? l.type : level == 1 ? l.name : "#" + std::to_string(l.language);
    }

    std::size_t Append(std::size_t size) {
        const std::size_t at = Align(static_cast<std::uint32_t>(out_.size()), 4);
        out_.resize(at + size);
        return at;
    }

    std::uint32_t NameField(const std::string& key) {
        if (key[0] == '#') return static_cast<std::uint32_t>(std::stoul(key.substr(1)));
        const std::size_t at = Append(2 + 2 * key.size());
        Put16(out_, at, static_cast<std::uint16_t>(key.size()));
        for (std::size_t i = 0; i < key.size(); ++i) {
            Put16(out_, at + 2 + 2 * i, static_cast<std::uint8_t>(key[i]));  // Latin-1
        }
        return static_cast<std::uint32_t>(at) | 0x80000000u;
    }

    void Table(const std::vector<std::size_t>& leaves, int level) {
        std::vector<std::string> keys;
        std::vector<std::vector<std::size_t>> groups;
        for (std::size_t leaf : leaves) {
            const std::size_t group =
                static_cast<std::size_t>(std::find(keys.begin(), keys.end(), KeyOf(leaf, level)) - keys.begin());
            if (group == keys.size()) keys.push_back(KeyOf(leaf, level)), groups.emplace_back();
            groups[group].push_back(leaf);
        }
        const std::size_t table = Append(16 + 8 * keys.size());
        std::uint16_t named = 0;
        for (const std::string& key : keys) named += key[0] != '#';
        Put16(out_, table + 12, named);
        Put16(out_, table + 14, static_cast<std::uint16_t>(keys.size() - named));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::uint32_t name = NameField(keys[i]);
            Put32(out_, table + 16 + 8 * i, name);
            const std::size_t child = Align(static_cast<std::uint32_t>(out_.size()), 4);
            if (level < 2) {
                Table(groups[i], level + 1);
                Put32(out_, table + 20 + 8 * i, static_cast<std::uint32_t>(child) | 0x80000000u);
            } else {
                Data(groups[i][0]);
                Put32(out_, table + 20 + 8 * i, static_cast<std::uint32_t>(child));
            }
        }
    }

    void Data(std::size_t leaf) {
        const std::vector<std::uint8_t>& data = leaves_[leaf].data;
        const std::size_t entry = Append(16);
        const std::size_t at = Append(data.size());
        std::copy(data.begin(), data.end(), out_.begin() + static_cast<std::ptrdiff_t>(at));
        if (firstData_ == 0 || !shared_) firstData_ = kResourceRva + static_cast<std::uint32_t>(at);
        Put32(out_, entry, firstData_);
        Put32(out_, entry + 4, static_cast<std::uint32_t>(data.size()));
    }

    const std::vector<TestLeaf>& leaves_;
    bool shared_;
    std::uint32_t firstData_ = 0;
    std::vector<std::uint8_t> out_;
};

void PutSection(std::vector<std::uint8_t>& image, int index, const char* name, std::uint32_t rva, std::uint32_t size,
                std::uint32_t raw, std::uint32_t characteristics) {
    const std::size_t at = kSectionTable + 40 * static_cast<std::size_t>(index);
    std::copy(name, name + std::char_traits<char>::length(name), image.begin() + static_cast<std::ptrdiff_t>(at));
    Put32(image, at + 8, size);
    Put32(image, at + 12, rva);
    Put32(image, at + 16, Align(size, kFileAlignment));
    Put32(image, at + 20, raw);
    Put32(image, at + 36, characteristics);
}

std::string NameAt(const std::vector<std::uint8_t>& image, std::size_t section, std::uint32_t field) {
    if ((field & 0x80000000u) == 0) return "#" + std::to_string(field);
    const std::size_t at = section + (field & 0x7FFFFFFFu);
    std::string name;
    for (std::size_t i = 0; i < Get16(image, at); ++i) name += static_cast<char>(Get16(image, at + 2 + 2 * i));
    return name;
}

}  // namespace

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{Get16(bytes, at)} | std::uint32_t{Get16(bytes, at + 2)} << 16;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, static_cast<std::uint16_t>(value));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::vector<std::uint8_t> MakeImage(const TestImage& shape) {
    const std::vector<std::uint8_t> tree = TreeWriter(shape.leaves, shape.sharedData).Write();
    const std::uint32_t treeSize = static_cast<std::uint32_t>(tree.size());
    const std::uint32_t resourceRaw = kHeadersSize + kFileAlignment;
    const std::uint32_t relocRva = kResourceRva + Align(treeSize, kSectionAlignment);
    const std::uint32_t relocRaw = resourceRaw + Align(treeSize, kFileAlignment);
    const std::uint32_t end = relocRaw + (shape.relocations ? kFileAlignment : 0);
    std::vector<std::uint8_t> image(end);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPeOffset);
    Put32(image, kPeOffset, 0x4550);
    Put16(image, kPeOffset + 4, 0x14C);
    Put16(image, kPeOffset + 6, shape.relocations ? 3 : 2);
    Put16(image, kPeOffset + 20, 224);
    Put16(image, kPeOffset + 22, 0x102);
    Put16(image, kOptionalHeader, 0x10B);
    Put32(image, kOptionalHeader + 16, kTextRva);
    Put32(image, kOptionalHeader + 28, kImageBase);
    Put32(image, kOptionalHeader + 32, kSectionAlignment);
    Put32(image, kOptionalHeader + 36, kFileAlignment);
    Put32(image, kOptionalHeader + 56, (shape.relocations ? relocRva + kSectionAlignment : relocRva));
    Put32(image, kOptionalHeader + 60, kHeadersSize);
    Put16(image, kOptionalHeader + 68, 2);
    Put32(image, kOptionalHeader + 92, 16);
    PutSection(image, 0, ".text", kTextRva, 0x10, kHeadersSize, 0x60000020);
    image[kHeadersSize] = 0xC3;
    PutSection(image, 1, ".rsrc", kResourceRva, treeSize, resourceRaw, 0x40000040);
    std::copy(tree.begin(), tree.end(), image.begin() + resourceRaw);
    Put32(image, kDirectories + 8 * 2, kResourceRva);
    Put32(image, kDirectories + 8 * 2 + 4, treeSize);
    if (shape.relocations) {
        PutSection(image, 2, ".reloc", relocRva, 12, relocRaw, 0x42000040);
        Put32(image, relocRaw, kTextRva);
        Put32(image, relocRaw + 4, 12);
        Put32(image, kDirectories + 8 * 5, relocRva);
        Put32(image, kDirectories + 8 * 5 + 4, 12);
    }
    if (shape.certificateSize != 0) {
        Put32(image, kDirectories + 8 * 4, end);
        Put32(image, kDirectories + 8 * 4 + 4, static_cast<std::uint32_t>(shape.certificateSize));
        image.resize(end + shape.certificateSize, 0xCE);
    }
    return image;
}

std::uint32_t ReferenceChecksum(std::vector<std::uint8_t> image) {
    Put32(image, kOptionalHeader + 64, 0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
        sum += image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(image.size());
}

std::vector<FoundLeaf> ReadLeaves(const std::vector<std::uint8_t>& image) {
    const std::uint32_t rva = Get32(image, kDirectories + 8 * 2);
    std::size_t section = 0;
    std::uint32_t sectionRva = 0;
    for (std::size_t i = 0; i < Get16(image, kPeOffset + 6); ++i) {
        if (Get32(image, kSectionTable + 40 * i + 12) == rva) {
            section = Get32(image, kSectionTable + 40 * i + 20);
            sectionRva = rva;
        }
    }
    std::vector<FoundLeaf> found;
    const auto table = [&](auto& self, std::uint32_t offset, int level, const std::string& path) -> void {
        const std::size_t at = section + offset;
        const std::size_t count = std::size_t{Get16(image, at + 12)} + Get16(image, at + 14);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string here = path + (level ? "/" : "") + NameAt(image, section, Get32(image, at + 16 + 8 * i));
            const std::uint32_t target = Get32(image, at + 20 + 8 * i);
            if (level < 2) {
                self(self, target & 0x7FFFFFFFu, level + 1, here);
                continue;
            }
            const std::size_t offset = section + Get32(image, section + target) - sectionRva;
            const auto data = image.begin() + static_cast<std::ptrdiff_t>(offset);
            found.push_back({here, {data, data + Get32(image, section + target + 4)}});
        }
    };
    table(table, 0, 0, "");
    return found;
}

UniqueStream FileWith(const std::vector<std::uint8_t>& bytes) {
    UniqueStream file(std::tmpfile());
    if (file && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    if (file) std::rewind(file.get());
    return file;
}

MadeLauncher MakeLauncher(const std::vector<std::uint8_t>& source, const PayloadReplacement& change) {
    MadeLauncher made;
    UniqueStream in = FileWith(source);
    ImageModel model;
    made.read = ReadLauncherImage(in.get(), change, model);
    if (!made.read.Passed()) return made;
    const ImageLayoutResult laidOut = CheckModel(model);
    made.layout = laidOut.status;
    if (!laidOut.LaidOut()) return made;
    UniqueStream out(std::tmpfile());
    made.write = WriteModel(model, laidOut.layout, out.get());
    made.bytes = ContentsOf(out.get());
    return made;
}

std::vector<std::uint8_t> ContentsOf(std::FILE* file) {
    std::vector<std::uint8_t> bytes;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
    return bytes;
}

}  // namespace test
}  // namespace ZORVANE
