#include "image/version_resource.h"

#include <cstddef>

#include "common/utf8.h"
#include "image/pe_format.h"

namespace ZORVANE {

namespace {

constexpr std::uint16_t kBinaryValue = 0, kTextValue = 1;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoVersion = 0x00010000;
constexpr std::uint32_t kAllFileFlags = 0x3F;
constexpr std::uint32_t kWindowsNt32 = 0x00040004;  // VOS_NT_WINDOWS32
constexpr std::uint32_t kApplication = 1;           // VFT_APP
constexpr std::uint16_t kUsEnglish = 0x0409, kUnicode = 1200;
constexpr std::size_t kLongestText = kLongestVersionText;

// One node of the tree: header, key, value, children, each on a 32-bit boundary.
struct Node {
    std::u16string key;
    std::vector<std::uint8_t> value;
    std::uint16_t valueLength = 0;  // in bytes for binary values, UTF-16 units for text
    std::uint16_t type = kBinaryValue;
    std::vector<Node> children;
};

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(0);
    out.push_back(0);
    pe::Put16(out.data() + out.size() - 2, value);
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

void AppendText(std::vector<std::uint8_t>& out, const std::u16string& text) {
    for (char16_t unit : text) Append16(out, unit);
    Append16(out, 0);
}

void PadTo32Bits(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

// Lengths are 16-bit: the texts are bounded by the caller's resource limit.
void Serialize(const Node& node, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    Append16(out, 0);
    Append16(out, node.valueLength);
    Append16(out, node.type);
    AppendText(out, node.key);
    PadTo32Bits(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children) {
        PadTo32Bits(out);
        Serialize(child, out);
    }
    pe::Put16(out.data() + start, static_cast<std::uint16_t>(out.size() - start));
}

// A text as the table keeps it: at most kLongestText units with its suffix,
// never half a surrogate pair.
struct TableText {
    const char16_t* key;
    std::u16string text;
    bool cut;
};

TableText Kept(const char16_t* key, const std::string& utf8, const std::u16string& suffix = u"") {
    std::u16string text = Utf8ToUtf16(utf8);
    const std::size_t room = kLongestText - suffix.size();
    const bool cut = text.size() > room;
    if (cut) {
        const bool splitsPair = text[room - 1] >= 0xD800 && text[room - 1] <= 0xDBFF;
        text.resize(splitsPair ? room - 1 : room);
    }
    return {key, text + suffix, cut};
}

std::string NumbersText(const VersionNumbers& numbers) {
    return std::to_string(numbers.major) + "." + std::to_string(numbers.minor) + "." + std::to_string(numbers.build) +
           ".0";
}

// The string table in key order; FileDescription keeps its " Setup" however
// long the product name.
std::vector<TableText> StringTable(const VersionTexts& texts, const VersionNumbers& numbers) {
    return {
        Kept(u"CompanyName", texts.companyName),    Kept(u"FileDescription", texts.productName, u" Setup"),
        Kept(u"FileVersion", NumbersText(numbers)), Kept(u"OriginalFilename", texts.originalFilename),
        Kept(u"ProductName", texts.productName),    Kept(u"ProductVersion", texts.productVersion),
    };
}

// The keys are ASCII.
std::string AsciiKey(const char16_t* key) {
    std::string text;
    for (; *key != u'\0'; ++key) text.push_back(static_cast<char>(*key));
    return text;
}

Node TextValue(const TableText& kept) {
    Node node;
    node.key = kept.key;
    node.type = kTextValue;
    AppendText(node.value, kept.text);
    node.valueLength = static_cast<std::uint16_t>(kept.text.size() + 1);
    return node;
}

Node Block(const char16_t* key, std::vector<Node> children) {
    Node node;
    node.key = key;
    node.type = kTextValue;
    node.children = std::move(children);
    return node;
}

std::vector<std::uint8_t> FixedFileInfo(const VersionNumbers& numbers) {
    const std::uint32_t high = std::uint32_t{numbers.major} << 16 | numbers.minor;
    const std::uint32_t low = std::uint32_t{numbers.build} << 16;
    std::vector<std::uint8_t> info;
    for (std::uint32_t field : {kFixedInfoSignature, kFixedInfoVersion, high, low, high, low, kAllFileFlags, 0u,
                                kWindowsNt32, kApplication, 0u, 0u, 0u}) {
        Append32(info, field);
    }
    return info;
}

}  // namespace

std::vector<std::string> CutVersionTexts(const VersionTexts& texts) {
    std::vector<std::string> cut;
    for (const TableText& kept : StringTable(texts, VersionNumbers())) {
        if (kept.cut) cut.push_back(AsciiKey(kept.key));
    }
    return cut;
}

std::vector<std::uint8_t> BuildVersionResource(const VersionTexts& texts, const VersionNumbers& numbers) {
    std::vector<Node> values;
    for (const TableText& kept : StringTable(texts, numbers)) values.push_back(TextValue(kept));
    Node strings = Block(u"040904B0", std::move(values));
    Node translation;
    translation.key = u"Translation";
    Append16(translation.value, kUsEnglish);
    Append16(translation.value, kUnicode);
    translation.valueLength = 4;

    Node root;
    root.key = u"VS_VERSION_INFO";
    root.value = FixedFileInfo(numbers);
    root.valueLength = static_cast<std::uint16_t>(root.value.size());
    root.children.push_back(Block(u"StringFileInfo", {std::move(strings)}));
    root.children.push_back(Block(u"VarFileInfo", {std::move(translation)}));
    std::vector<std::uint8_t> out;
    Serialize(root, out);
    return out;
}

}  // namespace ZORVANE
