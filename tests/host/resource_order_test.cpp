// The order of a written resource tree: the loader finds entries by binary
// search, so a table out of Windows' order hides resources from it.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace test
}  // namespace ZORVANE
