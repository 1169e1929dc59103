// The maker's reading of a package (libmsi) and the product resources it
// puts into a launcher's model.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "image/icon_file.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "image/launcher_image.h"
#include "image/version_resource.h"
#include "maker/isolated_package_info.h"
#include "maker/launcher_facts.h"
#include "maker/product_resources.h"
#include "test_image.h"
#include "test_package.h"

// libmsi keeps a few bytes for each table it creates; the maker only reads.
// libmsi has no frame pointers: the slow unwinder finds the test's frame.
extern "C" const char* __lsan_default_suppressions() { return "leak:MakePackage\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace ZORVANE {
namespace test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PackageInfo, PropertiesAndSummaryInAnyScript) {
    for (const auto& [properties, codePage] : {std::pair{kCyrillic, 1251}, std::pair{kCjk, 936}}) {
        const std::string path = Write(MakePackage(properties, codePage));
        PackageInfo info;
        ASSERT_TRUE(ReadPackageInfo(path, info)) << codePage;
        unlink(path.c_str());
        const auto property = [&properties = properties](const char* name) {
            return properties.count(name) ? properties.at(name) : std::string();
        };
        EXPECT_EQ(info.productName, property("ProductName"));
        EXPECT_EQ(info.manufacturer, property("Manufacturer"));
        EXPECT_EQ(info.productVersion, property("ProductVersion"));
        EXPECT_EQ(info.productCode, property("ProductCode"));
        EXPECT_EQ(info.upgradeCode, property("UpgradeCode"));
        EXPECT_EQ(info.allUsers, property("ALLUSERS"));
        EXPECT_EQ(info.installPerUser, property("MSIINSTALLPERUSER"));
        EXPECT_EQ(info.platformAndLanguages, "Intel;1049");
        EXPECT_EQ(info.packageCode, kPackageCode);
        EXPECT_EQ(info.subject, kSubject);
        EXPECT_EQ(info.comments, kComments);
    }
}

// Each row: how the summary keeps its properties, and the Template and
// package code read. What is not stored as text is none, never another
// property's text.
TEST(PackageInfo, SummaryPropertiesNotStoredAsTextAreNone) {
    const struct {
        Summary summary;
        const char* platformAndLanguages;
        const char* packageCode;
    } cases[] = {
        {Summary::Texts, "Intel;1049", kPackageCode},
        {Summary::OnlyTitle, "", ""},
        {Summary::TemplateAsInteger, "", ""},
        {Summary::RevisionAsFileTime, "Intel;1049", ""},
    };
    for (const auto& c : cases) {
        const std::string path = Write(MakePackage(kCjk, 936, c.summary));
        PackageInfo info;
        EXPECT_TRUE(ReadPackageInfo(path, info)) << static_cast<int>(c.summary);
        unlink(path.c_str());
        EXPECT_EQ(info.productName, kCjk.at("ProductName")) << static_cast<int>(c.summary);
        EXPECT_EQ(info.platformAndLanguages, c.platformAndLanguages) << static_cast<int>(c.summary);
        EXPECT_EQ(info.packageCode, c.packageCode) << static_cast<int>(c.summary);
    }
}

TEST(PackageInfo, WhatIsNoDatabaseGivesNone) {
    const Bytes package = MakePackage(kCyrillic, 1251);
    for (const Bytes& damaged : {Bytes{}, Bytes(4096, 0), Bytes(package.begin(), package.begin() + 1024)}) {
        const std::string path = Write(damaged);
        PackageInfo info;
        info.productName = "kept";
        EXPECT_FALSE(ReadPackageInfo(path, info)) << damaged.size();
        EXPECT_EQ(info.productName, "kept");
        unlink(path.c_str());
    }
}

// A launcher's model with the carried package and option line given.
struct CarryingLauncher {
    explicit CarryingLauncher(Bytes package, std::string params = "") {
        TestImage shape;
        shape.leaves = {{"MSI", "#104", 0, std::move(package)},
                        {"#3", "#1", 0, Bytes(40, 1)},
                        {"#3", "#2", 0, Bytes(40, 2)},
                        {"#3", "#3", 0, Bytes(40, 3)},
                        {"#14", "#105", 0, Bytes(6 + 3 * 14, 14)},
                        {"#16", "#1", 1033, Bytes(92, 16)}};
        if (!params.empty()) shape.leaves.push_back({"PARAMS", "#106", 0, Bytes(params.begin(), params.end())});
        source = FileWith(MakeImage(shape));
        EXPECT_TRUE(ReadImage(source.get(), model).Passed());
    }
    std::map<std::string, Bytes> Written() {
        UniqueStream out(std::tmpfile());
        const ImageLayoutResult laidOut = CheckModel(model);
        EXPECT_TRUE(laidOut.LaidOut());
        EXPECT_EQ(WriteModel(model, laidOut.layout, out.get()), ImageWriteStatus::Written);
        std::map<std::string, Bytes> leaves;
        for (FoundLeaf& leaf : ReadLeaves(ContentsOf(out.get()))) leaves[leaf.path] = std::move(leaf.data);
        return leaves;
    }
    UniqueStream source;
    ImageModel model;
};

TEST(LauncherFacts, TheCarriedPackageAndOptionLineAreRead) {
    const struct {
        Bytes package;
        std::string params;
        bool hasPackage, hasInfo;
        std::string optionLine;
    } cases[] = {
        {MakePackage(kCyrillic, 1251), std::string("/qb X=\"1\"\0junk", 14), true, true, "/qb X=\"1\""},
        {Bytes(5000, 7), "", true, false, ""},
        {Bytes(), "/qn", false, false, "/qn"},
    };
    for (const auto& c : cases) {
        CarryingLauncher launcher(c.package, c.params);
        MakeOptions options;
        options.source = "launcher.exe";
        LauncherFacts facts;
        ASSERT_TRUE(GatherLauncherFacts(options, launcher.model, facts));
        EXPECT_EQ(facts.hasPackage, c.hasPackage) << c.package.size();
        EXPECT_EQ(facts.hasPackageInfo, c.hasInfo) << c.package.size();
        EXPECT_EQ(facts.optionLine, c.optionLine);
        EXPECT_EQ(facts.package.productName, c.hasInfo ? kCyrillic.at("ProductName") : "");
    }
}

// What is described is the mark the launcher would be written with.
TEST(LauncherFacts, TheMarkIsReadAfterThePayload) {
    for (const bool keepPackage : {false, true}) {
        CarryingLauncher launcher{Bytes()};
        PayloadReplacement replacement;
        replacement.keepPackage = keepPackage;
        ASSERT_TRUE(ApplyPayload(launcher.model, replacement));
        LauncherFacts facts;
        ASSERT_TRUE(GatherLauncherFacts(MakeOptions(), launcher.model, facts));
        EXPECT_EQ(facts.keepsPackage, keepPackage);
    }
}

// The first of a wixl package's bit-flipped twins that crashes libmsi.
Bytes CrashingPackage() {
    const Bytes sound = MakeWixlPackage();
    std::mt19937 random(26);
    for (int i = 0; i < 1000; ++i) {
        Bytes package = sound;
        for (int flip = 0; flip < 4; ++flip) package[random() % package.size()] ^= 1u << random() % 8;
        const std::string path = Write(package);
        const UniqueStream opened(std::fopen(path.c_str(), "rb"));
        unlink(path.c_str());
        PackageInfo info;
        if (ReadPackageInfoApart(fileno(opened.get()), info).status == PackageInfoStatus::Crashed) return package;
    }
    ADD_FAILURE() << "no package crashed libmsi";
    return sound;
}

// The launcher made carries the package given with --msi: rows of the
// package put in, from a stream opened before its path changed.
struct GivenPackage {
    explicit GivenPackage(const Bytes& package) : path(Write(package)), stream(std::fopen(path.c_str(), "rb")) {
        options.source = "launcher.exe";
        options.packagePath = path;
        PayloadReplacement replacement;
        replacement.package = stream.get();
        replacement.packageSize = package.size();
        EXPECT_TRUE(ApplyPayload(launcher.model, replacement));
    }
    ~GivenPackage() { unlink(path.c_str()); }
    CarryingLauncher launcher{Bytes(100, 9)};
    std::string path;
    UniqueStream stream;
    MakeOptions options;
};

TEST(LauncherFacts, TheGivenPackageIsReadAsOpened) {
    GivenPackage given(MakePackage(kCyrillic, 1251));
    const std::string other = Write(MakePackage(kCjk, 936));
    ASSERT_EQ(std::rename(other.c_str(), given.path.c_str()), 0);
    LauncherFacts facts;
    ASSERT_TRUE(GatherLauncherFacts(given.options, given.launcher.model, facts));
    EXPECT_TRUE(facts.hasPackageInfo);
    EXPECT_EQ(facts.package.productName, kCyrillic.at("ProductName"));
}

// Carried from the source or given, a package that crashes libmsi is one
// without product info, and the maker goes on.
TEST(LauncherFacts, APackageThatCrashesLibmsiHasNoInfo) {
    const Bytes crashing = CrashingPackage();
    GivenPackage given(crashing);
    CarryingLauncher carried(crashing);
    MakeOptions carriedOptions;
    carriedOptions.source = "launcher.exe";
    for (const auto& [options, model] :
         {std::pair{&given.options, &given.launcher.model}, std::pair{&carriedOptions, &carried.model}}) {
        LauncherFacts facts;
        ASSERT_TRUE(GatherLauncherFacts(*options, *model, facts)) << options->packagePath;
        EXPECT_TRUE(facts.hasPackage) << options->packagePath;
        EXPECT_FALSE(facts.hasPackageInfo) << options->packagePath;
    }
}

// The carried package is copied to an unnamed file where TMPDIR says; a
// folder that takes none is named, with the reason.
TEST(LauncherFacts, TheCarriedPackageIsCopiedIntoTmpdir) {
    char made[] = "/tmp/product-info-tmpdir-XXXXXX";
    ASSERT_NE(mkdtemp(made), nullptr);
    const std::string folder = made;
    const struct {
        const char* tmpdir;
        bool gathered;
        std::string error;
    } cases[] = {
        {nullptr, true, ""},
        {"", true, ""},
        {made, true, ""},
        {"/nonexistent/folder", false,
         "launcher-make: launcher.exe: could not copy its package to a temporary file in /nonexistent/folder to "
         "read it: No such file or directory\n"},
    };
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    CarryingLauncher launcher(MakePackage(kCjk, 936));
    for (const auto& c : cases) {
        if (c.tmpdir) {
            setenv("TMPDIR", c.tmpdir, 1);
        } else {
            unsetenv("TMPDIR");
        }
        MakeOptions options;
        options.source = "launcher.exe";
        LauncherFacts facts;
        testing::internal::CaptureStderr();
        EXPECT_EQ(GatherLauncherFacts(options, launcher.model, facts), c.gathered) << c.tmpdir;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.error) << c.tmpdir;
        EXPECT_EQ(facts.hasPackageInfo, c.gathered) << c.tmpdir;
    }
    if (saved) {
        setenv("TMPDIR", previous.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
    EXPECT_EQ(rmdir(made), 0) << "a copy was left in " << folder;
}

TEST(ProductResources, VersionAndIconReplaceTheLaunchersOwn) {
    CarryingLauncher launcher(Bytes(100, 9));
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 5};
    Bytes icon = {0, 0, 1, 0, 2, 0};
    for (std::uint8_t i = 0; i < 2; ++i) {
        const Bytes entry = {16,
                             16,
                             0,
                             0,
                             1,
                             0,
                             32,
                             0,
                             static_cast<std::uint8_t>(png.size()),
                             0,
                             0,
                             0,
                             static_cast<std::uint8_t>(6 + 32 + i * png.size()),
                             0,
                             0,
                             0};
        icon.insert(icon.end(), entry.begin(), entry.end());
    }
    for (int i = 0; i < 2; ++i) icon.insert(icon.end(), png.begin(), png.end());
    const std::string iconPath = Write(icon);
    ASSERT_TRUE(AddIconResources(iconPath, launcher.model));
    unlink(iconPath.c_str());
    PackageInfo info;
    info.productName = "Учёт";
    info.manufacturer = "ООО";
    info.productVersion = "2.10.345";
    ASSERT_TRUE(AddVersionResource(info, "p.msi", "out/Setup.exe", launcher.model));

    IconResources expected;
    ASSERT_EQ(ParseIconFile(icon, expected), IconFileStatus::Parsed);
    const Bytes version = BuildVersionResource({"Учёт", "ООО", "2.10.345", "Setup.exe"}, {2, 10, 345});
    EXPECT_EQ(launcher.Written(), (std::map<std::string, Bytes>{{"MSI/#104/#0", Bytes(100, 9)},
                                                                {"#3/#1/#0", png},
                                                                {"#3/#2/#0", png},
                                                                {"#14/#105/#0", expected.group},
                                                                {"#16/#1/#1033", version}}));
}

// A cut is never silent: one warning line per value cut.
TEST(ProductResources, OverlongVersionTextsAreReported) {
    CarryingLauncher launcher(Bytes(100, 9));
    PackageInfo info;
    info.productName = std::string(5000, 'n');
    info.productVersion = "1.0";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(AddVersionResource(info, "p.msi", "Setup.exe", launcher.model));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "launcher-make: p.msi: warning: the version resource's FileDescription is cut to its first 4000 "
              "UTF-16 units\n"
              "launcher-make: p.msi: warning: the version resource's ProductName is cut to its first 4000 UTF-16 "
              "units\n");
}

}  // namespace
}  // namespace test
}  // namespace ZORVANE
