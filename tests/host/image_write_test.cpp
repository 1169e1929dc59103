// What the writer makes of a sound source, and what it refuses: the header
// fields it must change, the bounds it must hold, and nothing written when
// it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "image/image_layout.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
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
            const MadeLauncher made = MakeLauncher(MakeImage(shape), NewParams(params));
            ASSERT_TRUE(made.Made());
            EXPECT_EQ(Get32(made.bytes, kOptionalHeader + 64), ReferenceChecksum(made.bytes)) << params;
        }
    }
}

TEST(ImageWrite, CertificateIsDroppedWithItsDirectory) {
    TestImage shape = Launcher();
    shape.certificateSize = 0x88;
    const std::vector<std::uint8_t> source = MakeImage(shape);
    const MadeLauncher made = MakeLauncher(source, NewParams("/qn"));
    ASSERT_TRUE(made.Made());
    EXPECT_EQ(Get32(made.bytes, kSecurity), 0u);
    EXPECT_EQ(Get32(made.bytes, kSecurity + 4), 0u);
    EXPECT_EQ(std::count(made.bytes.begin(), made.bytes.end(), 0xCE), 0);
}

TEST(ImageWrite, RelocationsMoveInFrontOfTheResourcesWithTheirDirectory) {
    const std::vector<std::uint8_t> source = MakeImage(Launcher());
    const MadeLauncher made = MakeLauncher(source, NewParams("/qn"));
    ASSERT_TRUE(made.Made());
    const std::uint32_t relocations = SectionRva(made.bytes, 1);
    EXPECT_EQ(relocations, SectionRva(source, 1));
    EXPECT_EQ(Get32(made.bytes, kRelocations), relocations);
    EXPECT_EQ(Get32(made.bytes, kRelocations + 4), 12u);
    EXPECT_EQ(Get32(made.bytes, kDirectories + 8 * 2), SectionRva(made.bytes, 2));
    // The resources, and with them the package, start at a page of the file, where Wine maps them.
    EXPECT_EQ(Get32(made.bytes, kSectionTable + 40 * 2 + 20) % 4096, 0u);
    // A launcher made from a made one keeps that layout: it does not grow.
    const MadeLauncher again = MakeLauncher(made.bytes, NewParams("/qn"));
    EXPECT_EQ(again.bytes, made.bytes);
}

// Each row damages a sound source one way; the reader must refuse it, name
// the check that failed, and nothing is written.
struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> apply;
    const char* reason;
};

const Damage kDamages[] = {
    {"no MZ", [](std::vector<std::uint8_t>& b) { b[0] = 'X'; }, "no DOS header (MZ)"},
    {"cut in the PE header", [](std::vector<std::uint8_t>& b) { b.resize(0xC0); },
     "PE header lies past the end of the file"},
    {"cut in the headers", [](std::vector<std::uint8_t>& b) { b.resize(0x100); }, "file ends inside the headers"},
    {"no PE signature", [](std::vector<std::uint8_t>& b) { b[kPeOffset] = 'X'; }, "no PE signature"},
    {"a 64-bit image", [](std::vector<std::uint8_t>& b) { b[kOptionalHeader + 1] = 2; }, "not a 32-bit (PE32) image"},
    {"cut in the resources", [](std::vector<std::uint8_t>& b) { b.resize(0x700); },
     "section 2 lies past the end of the file"},
    {"section off its alignment", [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 12, 0x1200); },
     "section 1 is off the section alignment"},
    {"raw size off the file alignment", [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 16, 0x1F0); },
     "section 1's size in the file is off the file alignment"},
    {"sections out of order", [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 40 + 12, 0x1000); },
     "section 2 does not follow the one before it in memory"},
    {"import directory in no section", [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 8, 0x900000); },
     "data directory 1 lies outside every section"},
    {"debug directory into the resources",
     [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 48, 0x2000), Put32(b, kDirectories + 52, 8); },
     "data directory 6 lies in the resources or relocations"},
    {"relocations not discardable",
     [](std::vector<std::uint8_t>& b) { Put32(b, kSectionTable + 80 + 36, 0x40000040); },
     "section after the resources is not discardable"},
    {"entry point in the resources", [](std::vector<std::uint8_t>& b) { Put32(b, kOptionalHeader + 16, 0x2004); },
     "entry point lies in the resources or relocations"},
    // Empty, where the resources end: rebuilt, they end elsewhere.
    {"empty debug directory at the end of the resources",
     [](std::vector<std::uint8_t>& b) {
         Put32(b, kDirectories + 48, Get32(b, kSectionTable + 40 + 12) + Get32(b, kSectionTable + 40 + 8));
         Put32(b, kDirectories + 52, 0);
     },
     "data directory 6 lies outside every section"},
    {"resource directory on no section", [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 16, 0x1000); },
     "data directory 2 lies outside every section"},
    {"resource directory on the code",
     [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 16, 0x1000), Put32(b, kDirectories + 20, 8); },
     "resource section is not the last"},
    {"resource directory on no section start",
     [](std::vector<std::uint8_t>& b) { Put32(b, kDirectories + 16, 0x2010), Put32(b, kDirectories + 20, 8); },
     "resource tree does not start a section"},
    {"two equal names in one table", [](std::vector<std::uint8_t>& b) { Put32(b, 0x600 + 16 + 8, 3); },
     "two entries of one resource table are equal"},
};

class DamagedSource : public testing::TestWithParam<Damage> {};

TEST_P(DamagedSource, IsRefusedWithItsReasonAndNothingIsWritten) {
    std::vector<std::uint8_t> source = MakeImage(Launcher());
    GetParam().apply(source);
    const MadeLauncher made = MakeLauncher(source, NewParams("/qn"));
    EXPECT_EQ(ImageReadReason(made.read), GetParam().reason);
    EXPECT_TRUE(made.bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSource, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) {
                             std::string name = info.param.what;
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(ImageWrite, SoundSourceOfTheDamageTableIsWritten) {
    const MadeLauncher made = MakeLauncher(MakeImage(Launcher()), NewParams("/qn"));
    EXPECT_TRUE(made.Made());
    EXPECT_EQ(ImageReadReason(made.read), "");
}

// Leaves whose data overlap would be copied once each: a small source could
// make a huge launcher.
TEST(ImageWrite, LeavesSharingTheirDataAreRefused) {
    TestImage shape = Launcher();
    shape.sharedData = true;
    EXPECT_EQ(ImageReadReason(MakeLauncher(MakeImage(shape), NewParams("/qn")).read), "two resources share their data");
}

// A package must have the length it had when it was measured.
TEST(ImageWrite, PackageOfAnotherLengthThanStatedFailsTheRead) {
    for (std::size_t actual : {99, 101}) {
        UniqueStream package = FileWith(std::vector<std::uint8_t>(actual, 1));
        PayloadReplacement change;
        change.package = package.get();
        change.packageSize = 100;
        EXPECT_EQ(MakeLauncher(MakeImage(Launcher()), change).write, ImageWriteStatus::ReadFailed) << actual;
    }
}

// The largest package that still maps in a 32-bit process, and one byte more.
TEST(ImageWrite, ImageLimitHoldsToTheByte) {
    UniqueStream source = FileWith(MakeImage(Launcher()));
    ImageModel model;
    ASSERT_TRUE(ReadImage(source.get(), model).Passed());
    const ResourceKey package{ResourceString("MSI"), ResourceId(104), ResourceId(0)};
    ASSERT_TRUE(model.SetLeaf(package, LeafData::FromStream(source.get(), 0)));
    const ImageLayoutResult empty = CheckModel(model);
    ASSERT_TRUE(empty.LaidOut());
    const ImageLayout& layout = empty.layout;
    const std::uint64_t packageStart = layout.resources.virtualAddress + layout.resourceSection.dataOffsets.back();
    const std::uint64_t largest = 0x50000000 - kImageBase - 0x00FE0000 - packageStart;
    for (std::uint64_t size : {largest, largest + 1}) {
        ASSERT_TRUE(model.SetLeaf(package, LeafData::FromStream(source.get(), size)));
        EXPECT_EQ(CheckModel(model).status, size == largest ? ImageLayoutStatus::LaidOut : ImageLayoutStatus::TooLarge);
    }
}

// Any leaf can be set and removed through the model, by its identity.
TEST(ImageModel, LeavesAreSetAndRemovedByKey) {
    UniqueStream source = FileWith(MakeImage(Launcher()));
    ImageModel model;
    ASSERT_TRUE(ReadImage(source.get(), model).Passed());
    const ResourceKey version{ResourceId(16), ResourceId(1), ResourceId(1033)};
    ASSERT_TRUE(model.SetLeaf(version, LeafData::FromBytes({1, 2})));
    ASSERT_TRUE(model.SetLeaf(version, LeafData::FromBytes({5, 6, 7})));
    const ResourceLeaf* icon = model.Resources().FindLeaf({ResourceId(3), ResourceId(1), ResourceId(0)});
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(model.RemoveLeaf(model.Resources().KeyOf(*icon)));
    EXPECT_FALSE(model.RemoveLeaf({ResourceId(3), ResourceId(1), ResourceId(0)}));
    const ImageLayoutResult laidOut = CheckModel(model);
    ASSERT_TRUE(laidOut.LaidOut());
    UniqueStream out(std::tmpfile());
    ASSERT_EQ(WriteModel(model, laidOut.layout, out.get()), ImageWriteStatus::Written);
    std::vector<std::string> paths;
    for (const FoundLeaf& leaf : ReadLeaves(ContentsOf(out.get()))) paths.push_back(leaf.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"MSI/#104/#0", "#16/#1/#1033", "#24/#1/#0"}));
}

// Whether the model changed decides between a rebuilt launcher and a copy
// of the source: only a change that was made counts.
TEST(ImageModel, KnowsWhetherItChanged) {
    const ResourceKey icon{ResourceId(3), ResourceId(1), ResourceId(0)};
    const ResourceKey absent{ResourceId(3), ResourceId(9), ResourceId(0)};
    const struct {
        const char* what;
        std::function<void(ImageModel&)> change;
        bool changed;
    } cases[] = {
        {"nothing", [](ImageModel&) {}, false},
        {"an empty replacement", [](ImageModel& m) { ASSERT_TRUE(ApplyPayload(m, PayloadReplacement())); }, false},
        {"a new option line", [](ImageModel& m) { ASSERT_TRUE(ApplyPayload(m, NewParams(""))); }, true},
        {"a leaf set", [&](ImageModel& m) { ASSERT_TRUE(m.SetLeaf(icon, LeafData::FromBytes({1}))); }, true},
        {"a leaf removed", [&](ImageModel& m) { EXPECT_TRUE(m.RemoveLeaf(icon)); }, true},
        {"an absent leaf removed", [&](ImageModel& m) { EXPECT_FALSE(m.RemoveLeaf(absent)); }, false},
        {"a leaf past the name limit refused",
         [](ImageModel& m) {
             const ResourceKey huge{ResourceString(std::string(ResourceTree::kMaxNameUnits + 1, 'N').c_str()),
                                    ResourceId(1), ResourceId(0)};
             EXPECT_FALSE(m.SetLeaf(huge, LeafData::FromBytes({1})));
         },
         false},
    };
    const std::vector<std::uint8_t> image = MakeImage(Launcher());
    for (const auto& c : cases) {
        UniqueStream source = FileWith(image);
        ImageModel model;
        ASSERT_TRUE(ReadImage(source.get(), model).Passed());
        c.change(model);
        EXPECT_EQ(model.Changed(), c.changed) << c.what;
    }
}

// A launcher with nothing changed is the source's bytes, read through the
// stream the model was read from, and only as many as were measured.
TEST(ImageWrite, UnchangedCopyIsTheSourceAsMeasured) {
    TestImage shape = Launcher();
    shape.leaves[0].data.assign(256 << 10, 0xAA);  // past what the stream buffers
    shape.certificateSize = 0x40;                  // a signature stays valid only if every byte is kept
    const std::vector<std::uint8_t> image = MakeImage(shape);
    UniqueStream source = FileWith(image);
    ImageModel model;
    ASSERT_TRUE(ReadImage(source.get(), model).Passed());
    UniqueStream out(std::tmpfile());
    ASSERT_EQ(CopyUnchanged(model, out.get()), ImageWriteStatus::Written);
    EXPECT_EQ(ContentsOf(out.get()), image);
    // Cut after it was read: the copy would be cut short too.
    ASSERT_EQ(ftruncate(fileno(source.get()), 0x500), 0);
    UniqueStream cut(std::tmpfile());
    EXPECT_EQ(CopyUnchanged(model, cut.get()), ImageWriteStatus::ReadFailed);
}

}  // namespace
}  // namespace test
}  // namespace ZORVANE
