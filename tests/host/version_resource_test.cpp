#include "image/version_resource.h"
#include "maker/product_version.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace ZORVANE {
namespace {

// Walks the tree as VerQueryValueW does: each node's length covers its
// children, which start on 32-bit boundaries. Texts are keyed by their path.
class VersionWalker {
public:
    explicit VersionWalker(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::map<std::u16string, std::u16string> texts;
    std::map<std::u16string, std::vector<std::uint8_t>> binaries;

    void Walk(std::size_t at, std::size_t end, const std::u16string& path) {
        const std::size_t length = Word(at), valueLength = Word(at + 2), type = Word(at + 4);
        ASSERT_GE(length, 6u);
        ASSERT_LE(at + length, end) << "node outside its parent";
        std::u16string key;
        std::size_t position = at + 6;
        for (; Word(position) != 0; position += 2) key += static_cast<char16_t>(Word(position));
        position = Align(position + 2);
        const std::u16string here = path + u"/" + key;
        const std::size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
        ASSERT_LE(position + valueBytes, at + length);
        if (type == 1 && valueLength > 0) {
            std::u16string text;
            for (std::size_t i = 0; i + 1 < valueLength; ++i) text += static_cast<char16_t>(Word(position + 2 * i));
            EXPECT_EQ(Word(position + valueBytes - 2), 0u) << "text without its NUL";
            texts[here] = text;
        } else if (valueLength > 0) {
            binaries[here].assign(bytes_.begin() + position, bytes_.begin() + position + valueBytes);
        }
        const std::size_t nodeEnd = at + length;
        for (position = Align(position + valueBytes); position < nodeEnd; position = Align(position + Word(position))) {
            Walk(position, nodeEnd, here);
            if (::testing::Test::HasFatalFailure()) return;  // a damaged length would walk forever
        }
    }

private:
    std::size_t Word(std::size_t at) const { return bytes_.at(at) | bytes_.at(at + 1) << 8; }
    static std::size_t Align(std::size_t at) { return (at + 3) & ~std::size_t{3}; }
    const std::vector<std::uint8_t>& bytes_;
};

std::uint32_t Dword(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

constexpr char16_t kTable[] = u"/VS_VERSION_INFO/StringFileInfo/040904B0/";

TEST(VersionResource, TextsAndNumbersReadBackAsTheVersionApiFindsThem) {
    const VersionTexts texts{"Программа 製品 \xF0\x9F\x93\xA6", "ООО «Ромашка» 株式会社", "2.10.345", "Setup.exe"};
    const std::vector<std::uint8_t> bytes = BuildVersionResource(texts, {2, 10, 345});
    VersionWalker walker(bytes);
    walker.Walk(0, bytes.size(), u"");
    ASSERT_EQ(Dword(bytes, 0) & 0xFFFF, bytes.size());
    const std::u16string table = kTable;
    EXPECT_EQ(walker.texts[table + u"ProductName"], u"Программа 製品 \U0001F4E6");
    EXPECT_EQ(walker.texts[table + u"CompanyName"], u"ООО «Ромашка» 株式会社");
    EXPECT_EQ(walker.texts[table + u"ProductVersion"], u"2.10.345");
    EXPECT_EQ(walker.texts[table + u"FileVersion"], u"2.10.345.0");
    EXPECT_EQ(walker.texts[table + u"FileDescription"], u"Программа 製品 \U0001F4E6 Setup");
    EXPECT_EQ(walker.texts[table + u"OriginalFilename"], u"Setup.exe");
    EXPECT_EQ(walker.binaries[u"/VS_VERSION_INFO/VarFileInfo/Translation"],
              (std::vector<std::uint8_t>{0x09, 0x04, 0xB0, 0x04}));
    const std::vector<std::uint8_t>& fixed = walker.binaries[u"/VS_VERSION_INFO"];
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(Dword(fixed, 0), 0xFEEF04BDu);
    for (std::size_t at : {8u, 16u}) {  // file and product version
        EXPECT_EQ(Dword(fixed, at), 0x0002000Au);
        EXPECT_EQ(Dword(fixed, at + 4), 345u << 16);
    }
}

TEST(VersionResource, OverlongTextsAreCutSoEveryLengthFits) {
    const std::string huge(30000, 'x');
    const std::string pairs = std::string(3999, 'y') + "\xF0\x9F\x93\xA6";  // a pair across the cut
    const std::vector<std::uint8_t> bytes = BuildVersionResource({huge, huge, pairs, huge}, {});
    VersionWalker walker(bytes);
    walker.Walk(0, bytes.size(), u"");
    EXPECT_EQ(walker.texts[std::u16string(kTable) + u"ProductName"].size(), 4000u);
    EXPECT_EQ(walker.texts[std::u16string(kTable) + u"ProductVersion"], std::u16string(3999, u'y'));
    EXPECT_EQ(walker.texts[std::u16string(kTable) + u"FileDescription"], std::u16string(3994, u'x') + u" Setup");
}

// Each row: a product name and company of these lengths, and the values
// cut, which the maker reports.
TEST(VersionResource, EveryCutValueIsNamed) {
    const struct {
        std::size_t name, company;
        std::vector<std::string> cut;
    } cases[] = {
        {3994, 4000, {}},
        {3995, 0, {"FileDescription"}},
        {4001, 4001, {"CompanyName", "FileDescription", "ProductName"}},
    };
    for (const auto& c : cases) {
        const VersionTexts texts{std::string(c.name, 'n'), std::string(c.company, 'c'), "1.0", "Setup.exe"};
        EXPECT_EQ(CutVersionTexts(texts), c.cut) << c.name << " " << c.company;
        const std::vector<std::uint8_t> bytes = BuildVersionResource(texts, {});
        VersionWalker walker(bytes);
        walker.Walk(0, bytes.size(), u"");
        const std::u16string description = walker.texts[std::u16string(kTable) + u"FileDescription"];
        EXPECT_EQ(description.substr(description.size() - 6), u" Setup") << c.name;
    }
}

struct VersionCase {
    const char* text;
    bool parses;
    VersionNumbers numbers;
};

TEST(VersionResource, ProductVersionsWithinWindowsInstallerLimits) {
    const VersionCase cases[] = {
        {"2.10.345", true, {2, 10, 345}},
        {"255.255.65535", true, {255, 255, 65535}},
        {"1.2.3.4", true, {1, 2, 3}},  // the fourth field is Windows Installer's to ignore
        {"7", true, {7, 0, 0}},
        {"1.2", true, {1, 2, 0}},
        {"256.0.0", false, {}},
        {"1.256.0", false, {}},
        {"1.0.65536", false, {}},
        {"1.0.0.65536", false, {}},
        {"1.0.0.0.0", false, {}},
        {"", false, {}},
        {"1..2", false, {}},
        {"1.2.", false, {}},
        {"v1.2", false, {}},
        {"1.2.3-beta", false, {}},
        {"99999999999999999999.0", false, {}},
    };
    for (const VersionCase& c : cases) {
        VersionNumbers numbers{9, 9, 9};
        EXPECT_EQ(ParseProductVersion(c.text, numbers), c.parses) << c.text;
        EXPECT_EQ((std::vector<int>{numbers.major, numbers.minor, numbers.build}),
                  (std::vector<int>{c.numbers.major, c.numbers.minor, c.numbers.build}))
            << c.text;
    }
}

}  // namespace
}  // namespace ZORVANE
