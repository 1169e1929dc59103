// The image writer over a small synthetic launcher: what it writes, and that
// no damaged source makes it read or write out of bounds (the tests run with
// the address and undefined-behaviour sanitizers).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "update/launcher_image.h"

namespace ZORVANE {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Get(const Bytes& b, std::size_t at, int width = 4) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | b.at(at + i);
    return value;
}

void Set(Bytes& b, std::size_t at, std::uint32_t value, int width = 4) {
    for (int i = 0; i < width; ++i) b.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Offsets in the synthetic image.
constexpr std::uint32_t kOptional = 0x58, kSections = kOptional + 224, kTree = 0x400;
std::size_t Directory(int index) { return kOptional + 96 + 8 * index; }
std::size_t SectionField(std::uint32_t section, int field) { return kSections + 40 * section + field; }

// A resource tree entry: named when name is not empty; a leaf when it has no
// children.
struct Node {
    std::string name;
    std::uint16_t id = 0;
    std::vector<Node> children;
    Bytes data = {};
};

Node Leaf(std::uint16_t language, const std::string& data) { return {"", language, {}, Text(data)}; }

// Writes a tree in the order given, unsorted, as a careless tool might.
class TreeWriter {
public:
    explicit TreeWriter(std::uint32_t rva) : rva_(rva) {}
    Bytes out;
    std::map<std::string, std::size_t> dataEntries;  // "type/name/language" -> offset

    std::uint32_t Table(const Node& node, const std::string& path) {
        const std::size_t at = out.size();
        out.resize(at + 16 + 8 * node.children.size());
        int named = 0;
        for (const Node& child : node.children) named += child.name.empty() ? 0 : 1;
        Set(out, at + 12, named, 2);
        Set(out, at + 14, node.children.size() - named, 2);
        for (std::size_t i = 0; i < node.children.size(); ++i) {
            const Node& child = node.children[i];
            const std::string key = child.name.empty() ? "#" + std::to_string(child.id) : child.name;
            Set(out, at + 16 + 8 * i, child.name.empty() ? child.id : String(child.name) | 0x80000000u);
            Set(out, at + 20 + 8 * i, child.children.empty() ? Data(child, path + key)
                                                             : Table(child, path + key + "/") | 0x80000000u);
        }
        return static_cast<std::uint32_t>(at);
    }

private:
    std::uint32_t String(const std::string& text) {
        const std::size_t at = out.size();
        out.resize(at + 2 + 2 * text.size());
        Set(out, at, text.size(), 2);
        for (std::size_t i = 0; i < text.size(); ++i) Set(out, at + 2 + 2 * i, text[i], 2);
        return static_cast<std::uint32_t>(at);
    }

    std::uint32_t Data(const Node& leaf, const std::string& path) {
        const std::size_t at = (out.size() + 3) & ~std::size_t{3};
        out.resize(at + 16);
        Set(out, at, rva_ + static_cast<std::uint32_t>(out.size()));
        Set(out, at + 4, leaf.data.size());
        out.insert(out.end(), leaf.data.begin(), leaf.data.end());
        dataEntries[path] = at;
        return static_cast<std::uint32_t>(at);
    }

    std::uint32_t rva_;
};

const Node kTreeRoot{"", 0, {
    {"", 24, {{"", 1, {Leaf(0, "<manifest/>")}}}},
    {"zeta", 0, {{"", 1, {Leaf(0, "z")}}}},
    {"", 3, {{"", 2, {Leaf(0, "icon 2")}}, {"", 1, {Leaf(0, "icon 1")}}}},
    {"_x", 0, {{"", 7, {Leaf(1033, "english"), Leaf(0, "neutral")}}}},
    {"alpha", 0, {{"Nm", 0, {Leaf(0, "a")}}}},
    {"MSI", 0, {{"", 104, {Leaf(0, "old package")}}}},
}};

struct Source {
    Bytes image;
    std::map<std::string, std::size_t> dataEntries;  // file offsets
};

// Headers, .text, .rsrc and a discardable .reloc after it, as our linker
// lays the launcher out; optionally a certificate table at the end.
Source MakeSource(bool withCertificate = false) {
    TreeWriter tree(0x2000);
    tree.Table(kTreeRoot, "");
    const std::uint32_t treeRaw = (tree.out.size() + 0x1FF) & ~0x1FFu;
    const std::uint32_t relocRva = 0x2000 + ((tree.out.size() + 0xFFF) & ~0xFFFu);
    Bytes b(kTree + treeRaw + 0x200);
    Set(b, 0, 'M' | 'Z' << 8, 2);
    Set(b, 0x3C, 0x40);
    Set(b, 0x40, 0x4550);
    Set(b, 0x44, 0x14C, 2);
    Set(b, 0x46, 3, 2);
    Set(b, 0x54, 224, 2);
    Set(b, kOptional, 0x10B, 2);
    Set(b, kOptional + 8, 0x600);
    Set(b, kOptional + 16, 0x1000);
    Set(b, kOptional + 28, 0x400000);
    Set(b, kOptional + 32, 0x1000);
    Set(b, kOptional + 36, 0x200);
    Set(b, kOptional + 56, relocRva + 0x1000);
    Set(b, kOptional + 60, 0x200);
    Set(b, kOptional + 92, 16);
    Set(b, Directory(2), 0x2000);
    Set(b, Directory(2) + 4, tree.out.size());
    Set(b, Directory(5), relocRva);
    Set(b, Directory(5) + 4, 12);
    const struct { const char* name; std::uint32_t rva, size, raw, rawSize, flags; } sections[] = {
        {".text", 0x1000, 0x10, 0x200, 0x200, 0x60000020},
        {".rsrc", 0x2000, static_cast<std::uint32_t>(tree.out.size()), kTree, treeRaw, 0x40000040},
        {".reloc", relocRva, 12, kTree + treeRaw, 0x200, 0x42000040},
    };
    for (int s = 0; s < 3; ++s) {
        std::copy(sections[s].name, sections[s].name + std::string(sections[s].name).size(),
                  b.begin() + SectionField(s, 0));
        Set(b, SectionField(s, 8), sections[s].size);
        Set(b, SectionField(s, 12), sections[s].rva);
        Set(b, SectionField(s, 16), sections[s].rawSize);
        Set(b, SectionField(s, 20), sections[s].raw);
        Set(b, SectionField(s, 36), sections[s].flags);
    }
    for (int i = 0; i < 16; ++i) b[0x200 + i] = static_cast<std::uint8_t>(0x90 + i);  // "code"
    std::copy(tree.out.begin(), tree.out.end(), b.begin() + kTree);
    Set(b, kTree + treeRaw, 0x1000);  // one relocation block
    Set(b, kTree + treeRaw + 4, 12);
    Set(b, kTree + treeRaw + 8, 0x3004, 2);
    if (withCertificate) {
        Set(b, Directory(4), b.size());
        Set(b, Directory(4) + 4, 0x100);
        b.resize(b.size() + 0x100, 0xCE);
    }
    Source source{b, {}};
    for (const auto& [path, offset] : tree.dataEntries) source.dataEntries[path] = kTree + offset;
    return source;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File FileWith(const Bytes& bytes) {
    File file(std::tmpfile(), &std::fclose);
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return file;
}

Bytes Contents(std::FILE* file) {
    std::fflush(file);
    std::fseek(file, 0, SEEK_END);
    Bytes bytes(static_cast<std::size_t>(std::ftell(file)));
    std::rewind(file);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    return bytes;
}

ImageWriteStatus Write(const Bytes& source, const PayloadReplacement& replacement, Bytes& output) {
    File in = FileWith(source), out(std::tmpfile(), &std::fclose);
    const ImageWriteStatus status = WriteLauncherImage(in.get(), replacement, out.get());
    output = Contents(out.get());
    return status;
}

// A written image read back: each table's keys in order, each leaf's data and
// address.
struct Tree {
    std::map<std::string, std::vector<std::string>> order;  // table path -> keys
    std::map<std::string, Bytes> leaves;
    std::map<std::string, std::uint32_t> rvas;
};

std::uint32_t SectionOf(const Bytes& image, const std::string& name) {
    for (std::uint32_t s = 0; s < Get(image, 0x46, 2); ++s) {
        if (std::string(reinterpret_cast<const char*>(&image[SectionField(s, 0)])) == name) return s;
    }
    ADD_FAILURE() << "no section " << name;
    return 0;
}

void ReadTable(const Bytes& image, std::uint32_t base, std::uint32_t rva, std::uint32_t at,
               const std::string& path, Tree& tree) {
    const std::uint32_t count = Get(image, base + at + 12, 2) + Get(image, base + at + 14, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t name = Get(image, base + at + 16 + 8 * i), target = Get(image, base + at + 20 + 8 * i);
        std::string key = "#" + std::to_string(name);
        if (name & 0x80000000u) {
            const std::uint32_t text = base + (name & 0x7FFFFFFF);
            key.clear();
            for (std::uint32_t c = 0; c < Get(image, text, 2); ++c) key += static_cast<char>(image.at(text + 2 + 2 * c));
        }
        tree.order[path].push_back(key);
        if (target & 0x80000000u) {
            ReadTable(image, base, rva, target & 0x7FFFFFFF, path + key + "/", tree);
        } else {
            const std::uint32_t dataRva = Get(image, base + target), size = Get(image, base + target + 4);
            tree.rvas[path + key] = dataRva;
            tree.leaves[path + key] = Bytes(image.begin() + base + (dataRva - rva),
                                            image.begin() + base + (dataRva - rva) + size);
        }
    }
}

Tree ReadTree(const Bytes& image) {
    const std::uint32_t s = SectionOf(image, ".rsrc");
    EXPECT_EQ(Get(image, Directory(2)), Get(image, SectionField(s, 12)));
    Tree tree;
    ReadTable(image, Get(image, SectionField(s, 20)), Get(image, SectionField(s, 12)), 0, "", tree);
    return tree;
}

// Straight from the definition: 16-bit words with end-around carry, the
// checksum field as zero, plus the length.
std::uint32_t Checksum(Bytes image) {
    Set(image, kOptional + 64, 0);
    image.push_back(0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2) {
        sum += Get(image, i, 2);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(image.size() - 1);
}

struct Payload {
    File package = FileWith(Text("new package"));
    PayloadReplacement replacement;
    Payload() {
        replacement.package = package.get();
        replacement.packageSize = 11;
        replacement.replaceParams = true;
        replacement.params = "/qn";
    }
};

TEST(LauncherImage, ReplacesThePayloadKeepsTheRestSortsAsWindowsSearchesAndDropsTheSignature) {
    const Source source = MakeSource(true);
    Payload payload;
    Bytes made;
    ASSERT_EQ(Write(source.image, payload.replacement, made), ImageWriteStatus::Written);

    const Tree tree = ReadTree(made);
    // Named before IDs; names compared in upper case ("ALPHA" < "MSI" <
    // "_X"), IDs by value.
    EXPECT_EQ(tree.order.at(""), (std::vector<std::string>{"alpha", "MSI", "PARAMS", "zeta", "_x", "#3", "#24"}));
    EXPECT_EQ(tree.order.at("#3/"), (std::vector<std::string>{"#1", "#2"}));
    EXPECT_EQ(tree.order.at("_x/#7/"), (std::vector<std::string>{"#0", "#1033"}));
    const std::map<std::string, Bytes> expected = {
        {"#24/#1/#0", Text("<manifest/>")}, {"zeta/#1/#0", Text("z")},     {"#3/#2/#0", Text("icon 2")},
        {"#3/#1/#0", Text("icon 1")},        {"_x/#7/#1033", Text("english")}, {"_x/#7/#0", Text("neutral")},
        {"alpha/Nm/#0", Text("a")},          {"MSI/#104/#0", Text("new package")},
        {"PARAMS/#106/#0", Bytes{'/', 'q', 'n', 0}},
    };
    EXPECT_EQ(tree.leaves, expected);
    for (const auto& [path, rva] : tree.rvas) {
        EXPECT_LE(rva, tree.rvas.at("MSI/#104/#0")) << path << ": the package goes last";
    }

    // The relocations moved in front of the resources, unchanged; the
    // resources end the image and the file.
    const std::uint32_t reloc = SectionOf(made, ".reloc"), rsrc = SectionOf(made, ".rsrc");
    EXPECT_EQ(rsrc, reloc + 1);
    EXPECT_EQ(Get(made, Directory(5)), Get(made, SectionField(reloc, 12)));
    EXPECT_EQ(Bytes(made.begin() + Get(made, SectionField(reloc, 20)), made.begin() + Get(made, SectionField(reloc, 20)) + 12),
              Bytes(source.image.end() - 0x300, source.image.end() - 0x300 + 12));
    EXPECT_EQ(Get(made, kOptional + 56), (Get(made, SectionField(rsrc, 12)) + Get(made, SectionField(rsrc, 8)) + 0xFFF) & ~0xFFFu);
    EXPECT_EQ(made.size(), Get(made, SectionField(rsrc, 20)) + Get(made, SectionField(rsrc, 16)));
    EXPECT_EQ(Bytes(made.begin() + 0x200, made.begin() + 0x400), Bytes(source.image.begin() + 0x200, source.image.begin() + 0x400));
    EXPECT_EQ(Get(made, kOptional + 64), Checksum(made));
    EXPECT_EQ(Get(made, Directory(4)) | Get(made, Directory(4) + 4), 0u);
    EXPECT_EQ(made.end(), std::find(made.begin(), made.end(), 0xCE)) << "certificate bytes kept";

    // Made again from the made one: the same bytes, no growth.
    Bytes again;
    ASSERT_EQ(Write(made, PayloadReplacement(), again), ImageWriteStatus::Written);
    EXPECT_EQ(again, made);
}

TEST(LauncherImage, RefusesPackagesPastTheImageLimitAndShortPackages) {
    const Source source = MakeSource();
    Payload payload;
    Bytes made;
    ASSERT_EQ(Write(source.image, payload.replacement, made), ImageWriteStatus::Written);
    // The package starts at the same place whatever its size.
    const std::uint64_t largest = 0x50000000 - 0x00FE0000 - 0x00400000 - ReadTree(made).rvas.at("MSI/#104/#0");
    File in = FileWith(source.image);
    for (const auto& [size, status] : std::vector<std::pair<std::uint64_t, ImageWriteStatus>>{
             {largest, ImageWriteStatus::Written},
             {largest + 1, ImageWriteStatus::TooLarge},
             {0xFFFFFFFFu, ImageWriteStatus::TooLarge},
             {4200ull << 20, ImageWriteStatus::TooLarge}}) {
        payload.replacement.packageSize = size;
        EXPECT_EQ(CheckLauncherImage(in.get(), payload.replacement), status) << size;
    }
    payload.replacement.packageSize = 12;  // one more than the file holds
    EXPECT_EQ(Write(source.image, payload.replacement, made), ImageWriteStatus::ReadFailed);
}

struct Damage {
    const char* what;
    std::function<void(Source&)> apply;
};

TEST(LauncherImage, RefusesDamagedSourcesWithoutWritingAnything) {
    const std::size_t root = kTree + 16;  // the root table's entries, in kTreeRoot's order
    const std::vector<Damage> damages = {
        {"cut inside the headers", [](Source& s) { s.image.resize(0x100); }},
        {"cut inside the resource tree", [](Source& s) { s.image.resize(kTree + 20); }},
        {"cut inside the relocations", [](Source& s) { s.image.pop_back(); }},
        {"no PE signature", [](Source& s) { Set(s.image, 0x40, 0x4551); }},
        {"PE header past the end", [](Source& s) { Set(s.image, 0x3C, 0x7FFFFFF0); }},
        {"no sections", [](Source& s) { Set(s.image, 0x46, 0, 2); }},
        {"optional header past the headers", [](Source& s) { Set(s.image, 0x54, 0xFFFF, 2); }},
        {"too many data directories", [](Source& s) { Set(s.image, kOptional + 92, 0xFFFF); }},
        {"headers past the end", [](Source& s) { Set(s.image, kOptional + 60, 0xFFFFFFF0); }},
        {"section data past the end", [](Source& s) { Set(s.image, SectionField(1, 20), 0x7FFFFE00); }},
        {"sections overlap in memory", [](Source& s) { Set(s.image, SectionField(0, 8), 0x1800); }},
        {"resource tree not at a section start", [](Source& s) { Set(s.image, Directory(2), 0x2010); }},
        {"kept data after the resources", [](Source& s) { Set(s.image, SectionField(2, 36), 0x40000040); }},
        {"root entry count past the section", [](Source& s) { Set(s.image, kTree + 14, 0xFFFF, 2); }},
        {"root entry points at the root", [=](Source& s) { Set(s.image, root + 4, 0x80000000); }},
        {"name past the section", [=](Source& s) { Set(s.image, root + 8, 0xFFFFFFF0); }},
        {"name length past the section",
         [=](Source& s) { Set(s.image, kTree + (Get(s.image, root + 8) & 0x7FFFFFFF), 0xFFFF, 2); }},
        {"two equal IDs", [=](Source& s) { Set(s.image, root, 3); }},
        {"two names equal but for case",
         [=](Source& s) {  // "zeta" becomes "msi"
             const std::size_t text = kTree + (Get(s.image, root + 8) & 0x7FFFFFFF);
             Set(s.image, text, 3, 2);
             for (int i = 0; i < 3; ++i) Set(s.image, text + 2 + 2 * i, "msi"[i], 2);
         }},
        {"data size past the image", [](Source& s) { Set(s.image, s.dataEntries.at("MSI/#104/#0") + 4, 0x7FFFFFF0); }},
        {"data in a section's unmapped tail", [](Source& s) { Set(s.image, s.dataEntries.at("zeta/#1/#0"), 0x1100); }},
    };
    for (const Damage& damage : damages) {
        Source source = MakeSource();
        damage.apply(source);
        Payload payload;
        Bytes made;
        EXPECT_EQ(Write(source.image, payload.replacement, made), ImageWriteStatus::SourceDamaged) << damage.what;
        EXPECT_TRUE(made.empty()) << damage.what;
    }
}

}  // namespace
}  // namespace ZORVANE
