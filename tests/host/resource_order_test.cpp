// The order of a written resource tree: the loader finds entries by binary
// search, so a table out of Windows' order hides resources from it.
#include <gtest/gtest.h>

#include <map>

#include "image/image_writer.h"
#include "image/launcher_image.h"
#include "test_image.h"

namespace ZORVANE {
namespace test {
namespace {

struct OrderCase {
    const char* what;
    std::vector<TestLeaf> leaves;     // as the source lists them
    std::vector<std::string> sorted;  // as the new launcher must
};

std::vector<std::uint8_t> Written(const std::vector<TestLeaf>& leaves, const PayloadReplacement& change = {}) {
    TestImage shape;
    shape.leaves = leaves;
    MadeLauncher made = MakeLauncher(MakeImage(shape), change);
    EXPECT_TRUE(made.Made());
    return made.bytes;
}

class ResourceOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(ResourceOrder, TablesAreInWindowsOrder) {
    std::vector<std::string> paths;
    for (const FoundLeaf& leaf : ReadLeaves(Written(GetParam().leaves))) paths.push_back(leaf.path);
    EXPECT_EQ(paths, GetParam().sorted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResourceOrder,
    testing::Values(
        OrderCase{"names upper-cased",
                  {{"b", "#1", 0, {}}, {"A", "#1", 0, {}}, {"C", "#1", 0, {}}},
                  {"A/#1/#0", "b/#1/#0", "C/#1/#0"}},
        OrderCase{"Latin-1 upper-cased",
                  {{"\xE9", "#1", 0, {}}, {"\xC8", "#1", 0, {}}, {"Z", "#1", 0, {}}},
                  {"Z/#1/#0", "\xC8/#1/#0", "\xE9/#1/#0"}},
        OrderCase{"underscore after upper case", {{"_A", "#1", 0, {}}, {"a", "#1", 0, {}}}, {"a/#1/#0", "_A/#1/#0"}},
        OrderCase{"prefix first", {{"MSIX", "#1", 0, {}}, {"MSI", "#1", 0, {}}}, {"MSI/#1/#0", "MSIX/#1/#0"}},
        OrderCase{"names before IDs", {{"#3", "#1", 0, {}}, {"ZZ", "#1", 0, {}}}, {"ZZ/#1/#0", "#3/#1/#0"}},
        OrderCase{"IDs ascending at every level",
                  {{"#24", "#1", 0, {}},
                   {"#3", "#7", 1033, {}},
                   {"#3", "#7", 9, {}},
                   {"#3", "#2", 0, {}},
                   {"#16", "#1", 1033, {}}},
                  {"#3/#2/#0", "#3/#7/#9", "#3/#7/#1033", "#16/#1/#1033", "#24/#1/#0"}},
        OrderCase{"named names under a type",
                  {{"#10", "b", 0, {}}, {"#10", "#5", 0, {}}, {"#10", "A", 0, {}}},
                  {"#10/A/#0", "#10/b/#0", "#10/#5/#0"}}),
    [](const testing::TestParamInfo<OrderCase>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// The payload goes in by its identity, replacing the source's leaf of any
// spelling, and the package's data ends the file.
TEST(ResourceOrder, PayloadReplacesByIdentityAndThePackageComesLast) {
    UniqueStream package = FileWith({1, 2, 3});
    PayloadReplacement change;
    change.package = package.get();
    change.packageSize = 3;
    change.replaceParams = true;
    change.params = "/qb";
    const std::vector<TestLeaf> source = {
        {"msi", "#104", 0, {9, 9}}, {"#24", "#1", 0, {7}}, {"PARAMS", "#106", 0, {'x'}}};
    const std::vector<FoundLeaf> leaves = ReadLeaves(Written(source, change));
    ASSERT_EQ(leaves.size(), 3u);
    EXPECT_EQ(leaves[0].path, "MSI/#104/#0");
    EXPECT_EQ(leaves[0].data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(leaves[1].path, "PARAMS/#106/#0");
    EXPECT_EQ(leaves[1].data, (std::vector<std::uint8_t>{'/', 'q', 'b', 0}));
    EXPECT_EQ(leaves[2].data, (std::vector<std::uint8_t>{7}));
}

// Each row: the source's mark (none when empty), whether --keep-package
// asks for it, and the mark written (none when empty). The maker adds the
// mark, never removes or alters one it was not asked for, and leaves a
// marked source unchanged; the package still ends the file.
TEST(ResourceOrder, KeepPackageMarkIsAddedNeverRemovedAndThePackageStaysLast) {
    using Bytes = std::vector<std::uint8_t>;
    const struct {
        Bytes source;
        bool keepPackage;
        Bytes written;
        bool changed, marked;
    } cases[] = {
        {{}, false, {}, false, false},          // none asked, none added
        {{}, true, {'1'}, true, true},          // added
        {{'1'}, false, {'1'}, false, true},     // kept as it is
        {{'1'}, true, {'1'}, false, true},      // one mark, the source unchanged
        {{'0'}, false, {'0'}, false, false},    // no mark, but a resource like any other
        {{'0'}, true, {'1'}, true, true},       // put right
        {{'1', '1'}, true, {'1'}, true, true},  // put right
    };
    const ResourceKey package{ResourceString("MSI"), ResourceId(104), ResourceId(0)};
    for (const auto& c : cases) {
        const std::string row = std::string(c.source.begin(), c.source.end()) + (c.keepPackage ? " +mark" : "");
        TestImage shape;
        shape.leaves = {{"MSI", "#104", 0, Bytes(100, 0xAA)}, {"#24", "#1", 0, {7}}};
        if (!c.source.empty()) shape.leaves.push_back({"KEEPMSI", "#107", 0, c.source});
        UniqueStream source = FileWith(MakeImage(shape));
        PayloadReplacement change;
        change.keepPackage = c.keepPackage;
        ImageModel model;
        ASSERT_TRUE(ReadLauncherImage(source.get(), change, model).Passed()) << row;
        EXPECT_EQ(model.Changed(), c.changed) << row;
        EXPECT_EQ(CarriesKeepPackageMark(model), c.marked) << row;
        const ImageLayoutResult laidOut = CheckModel(model);
        ASSERT_TRUE(laidOut.LaidOut()) << row;
        const ResourceSectionLayout& section = laidOut.layout.resourceSection;
        EXPECT_TRUE(model.Resources().HasKey(model.Leaves()[section.dataOrder.back()], package)) << row;
        UniqueStream out(std::tmpfile());
        ASSERT_EQ(WriteModel(model, laidOut.layout, out.get()), ImageWriteStatus::Written) << row;
        std::map<std::string, Bytes> leaves;
        for (FoundLeaf& leaf : ReadLeaves(ContentsOf(out.get()))) leaves[leaf.path] = std::move(leaf.data);
        const auto mark = leaves.find("KEEPMSI/#107/#0");
        EXPECT_EQ(mark == leaves.end() ? Bytes() : mark->second, c.written) << row;
    }
}

}  // namespace
}  // namespace test
}  // namespace ZORVANE
