// What the writer makes of a sound source, and what it refuses: the header
// fields it must change, the bounds it must hold, and nothing written when
// it refuses.
#include <gtest/gtest.h>

#include <functional>

#include "image/image_layout.h"
#include "image/image_reader.h"
#include "image/launcher_image.h"
#include "test_image.h"

namespace ZORVANE {
namespace test {
namespace {

constexpr std::uint32_t kSecurity = kDirectories + 8 * 4, kRelocations = kDirectories + 8 * 5;

TestImage Launcher() {
    TestImage shape;
    shape.leaves = {{"MSI", "#104", 0, std::vector<std::uint8_t>(100, 0xAA)},
                    {"#24", "#1", 0, {'<', 'x', '/', '>'}},
                    {"#3", "#1", 0, std::vector<std::uint8_t>(40, 3)}};
    return shape;
}

struct Made {
    ImageWriteStatus status;
    std::vector<std::uint8_t> bytes;
};

Made Write(const std::vector<std::uint8_t>& source, const PayloadReplacement& change) {
    UniqueStream in = FileWith(source);
    UniqueStream out(std::tmpfile());
    const ImageWriteStatus status = WriteLauncherImage(in.get(), change, out.get());
    return {status, ContentsOf(out.get())};
}

PayloadReplacement NewParams(const char* text) {
    PayloadReplacement change;
    change.replaceParams = true;
    change.params = text;
    return change;
}

std::uint32_t SectionRva(const std::vector<std::uint8_t>& image, int index) {
    return Get32(image, kSectionTable + 40 * static_cast<std::size_t>(index) + 12);
}

TEST(ImageWrite, ChecksumIsTheDefinitionsOverTheWrittenBytes) {
    for (std::size_t certificate : {0, 0x31}) {
        TestImage shape = Launcher();
        shape.certificateSize = certificate;
        for (const char* params : {"", "/q", "/qb ODD=1"}) {  // the writer's pieces split words
            const Made made = Write(MakeImage(shape), NewParams(params));
            ASSERT_EQ(made.status, ImageWriteStatus::Written);
            EXPECT_EQ(Get32(made.bytes, kOptionalHeader + 64), ReferenceChecksum(made.bytes)) << params;
        }
    }
}

TEST(ImageWrite, CertificateIsDroppedWithItsDirectory) {
    TestImage shape = Launcher();
    shape.certificateSize = 0x88;
    const std::vector<std::uint8_t> source = MakeImage(shape);
    const Made made = Write(source, NewParams("/qn"));
    ASSERT_EQ(made.status, ImageWriteStatus::Written);
    EXPECT_EQ(Get32(made.bytes, kSecurity), 0u);
    EXPECT_EQ(Get32(made.bytes, kSecurity + 4), 0u);
    EXPECT_EQ(std::count(made.bytes.begin(), made.bytes.end(), 0xCE), 0);
}

TEST(ImageWrite, RelocationsMoveInFrontOfTheResourcesWithTheirDirectory) {
    const std::vector<std::uint8_t> source = MakeImage(Launcher());
    const Made made = Write(source, NewParams("/qn"));
    ASSERT_EQ(made.status, ImageWriteStatus::Written);
    const std::uint32_t relocations = SectionRva(made.bytes, 1);
    EXPECT_EQ(relocations, SectionRva(source, 1));
    EXPECT_EQ(Get32(made.bytes, kRelocations), relocations);
    EXPECT_EQ(Get32(made.bytes, kRelocations + 4), 12u);
    EXPECT_EQ(Get32(made.bytes, kDirectories + 8 * 2), SectionRva(made.bytes, 2));
    // A launcher made from a made one keeps that layout: it does not grow.
    const Made again = Write(made.bytes, NewParams("/qn"));
    EXPECT_EQ(again.bytes, made.bytes);
}

// Each row damages a sound source one way; the writer must refuse it and
// write nothing.
struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> apply;
};

const Damage kDamages[] = {
    {"no MZ", [](std::vector<std::uint8_t>& b) { b[0] = 'X'; }},
    {"cut in the headers", [](std::vector<std::uint8_t>& b) { b.resize(0x100); }},
    {"cut in the resources", [](std::vector<std::uint8_t>& b) { b.resize(0x700); }},
    {"section off its alignment", [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 12, 0x1200); }},
    {"raw size off the file alignment", [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 16, 0x1F0); }},
    {"import directory in no section", [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 8, 0x900000); }},
    {"debug directory into the resources",
     [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 48, 0x2000), Put32(b, kDirectories + 52, 8); }},
    {"relocations not discardable",
     [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 80 + 36, 0x40000040); }},
    {"entry point in the resources", [](std::vector<std::uint8_t>& b) { Put32(b, kOptionalHeader + 16, 0x2004); }},
    // Empty, where the resources end: rebuilt, they end elsewhere.
    {"empty debug directory at the end of the resources",
     [](std::vector<std::uint8_t>& b) {
         Put32(b, kDirectories + 48, Get32(b, kSectionTable + 40 + 12) + Get32(b, kSectionTable + 40 + 8));
         Put32(b, kDirectories + 52, 0);
     }},
    {"resource directory on no section", [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 16, 0x1000); }},
    {"two equal names in one table", [](std::vector<std::uint8_t>& b) { Put32(b, 0x600 + 16 + 8, 3); }},
};

class DamagedSource : public testing::TestWithParam<Damage> {};

TEST_P(DamagedSource, IsRefusedAndNothingIsWritten) {
    std::vector<std::uint8_t> source = MakeImage(Launcher());
    GetParam().apply(source);
    const Made made = Write(source, NewParams("/qn"));
    EXPECT_EQ(made.status, ImageWriteStatus::SourceDamaged);
    EXPECT_TRUE(made.bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSource, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) {
                             std::string name = info.param.what;
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(ImageWrite, SoundSourceOfTheDamageTableIsWritten) {
    EXPECT_EQ(Write(MakeImage(Launcher()), NewParams("/qn")).status, ImageWriteStatus::Written);
}

// Leaves whose data overlap would be copied once each: a small source could
// make a huge launcher.
TEST(ImageWrite, LeavesSharingTheirDataAreRefused) {
    TestImage shape = Launcher();
    shape.sharedData = true;
    EXPECT_EQ(Write(MakeImage(shape), NewParams("/qn")).status, ImageWriteStatus::SourceDamaged);
}

// A package must have the length it had when it was measured.
TEST(ImageWrite, PackageOfAnotherLengthThanStatedFailsTheRead) {
    for (std::size_t actual : {99, 101}) {
        UniqueStream package = FileWith(std::vector<std::uint8_t>(actual, 1));
        PayloadReplacement change;
        change.package = package.get();
        change.packageSize = 100;
        EXPECT_EQ(Write(MakeImage(Launcher()), change).status, ImageWriteStatus::ReadFailed) << actual;
    }
}

// The largest package that still maps in a 32-bit process, and one byte more.
TEST(ImageWrite, ImageLimitHoldsToTheByte) {
    UniqueStream source = FileWith(MakeImage(Launcher()));
    ImageModel model;
    ASSERT_EQ(ReadImage(source.get(), model), ImageWriteStatus::Written);
    const ResourceKey package{ResourceString("MSI"), ResourceId(104), ResourceId(0)};
    ASSERT_TRUE(model.SetLeaf(package, LeafData::FromStream(source.get(), 0)));
    ImageLayout layout;
    ASSERT_EQ(LayOutImage(model, layout), ImageWriteStatus::Written);
    const std::uint64_t packageStart = layout.resources.virtualAddress + layout.resourceSection.dataOffsets.back();
    const std::uint64_t largest = 0x50000000 - kImageBase - 0x00FE0000 - packageStart;
    for (std::uint64_t size : {largest, largest + 1}) {
        ASSERT_TRUE(model.SetLeaf(package, LeafData::FromStream(source.get(), size)));
        EXPECT_EQ(CheckModel(model), size == largest ? ImageWriteStatus::Written : ImageWriteStatus::TooLarge);
    }
}

// Any leaf can be set and removed through the model, by its identity.
TEST(ImageModel, LeavesAreSetAndRemovedByKey) {
    UniqueStream source = FileWith(MakeImage(Launcher()));
    ImageModel model;
    ASSERT_EQ(ReadImage(source.get(), model), ImageWriteStatus::Written);
    const ResourceKey version{ResourceId(16), ResourceId(1), ResourceId(1033)};
    ASSERT_TRUE(model.SetLeaf(version, LeafData::FromBytes({1, 2})));
    ASSERT_TRUE(model.SetLeaf(version, LeafData::FromBytes({5, 6, 7})));
    const ResourceLeaf* icon = model.resources.FindLeaf({ResourceId(3), ResourceId(1), ResourceId(0)});
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(model.RemoveLeaf(model.resources.KeyOf(*icon)));
    EXPECT_FALSE(model.RemoveLeaf({ResourceId(3), ResourceId(1), ResourceId(0)}));
    UniqueStream out(std::tmpfile());
    ASSERT_EQ(WriteModel(model, out.get()), ImageWriteStatus::Written);
    std::vector<std::string> paths;
    for (const FoundLeaf& leaf : ReadLeaves(ContentsOf(out.get()))) paths.push_back(leaf.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"MSI/#104/#0", "#16/#1/#1033", "#24/#1/#0"}));
}

}  // namespace
}  // namespace test
}  // namespace ZORVANE
