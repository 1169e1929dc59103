// The maker's reading of a package (libmsi) and the product resources it
// puts into a launcher's model.
#include <gtest/gtest.h>
#include <libmsi.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "image/icon_file.h"
#include "image/image_reader.h"
#include "image/launcher_image.h"
#include "image/version_resource.h"
#include "maker/launcher_facts.h"
#include "maker/product_resources.h"
#include "test_image.h"

// libmsi keeps a few bytes for each table it creates; the maker only reads.
// libmsi has no frame pointers: the slow unwinder finds the test's frame.
extern "C" const char* __lsan_default_suppressions() { return "leak:MakePackage\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace ZORVANE {
namespace test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Properties = std::map<std::string, std::string>;

const char kPackageCode[] = "{6A1F0C2E-4B3D-4E5F-8A9B-0C1D2E3F4A5B}";

// A file name in the temporary folder, removed with the test.
struct TemporaryName {
    TemporaryName() {
        char name[] = "/tmp/product-info-XXXXXX";
        close(mkstemp(name));
        path = name;
    }
    ~TemporaryName() { unlink(path.c_str()); }
    std::string path;
};

void Run(LibmsiDatabase* database, const char* sql, LibmsiRecord* values = nullptr) {
    GError* error = nullptr;
    LibmsiQuery* query = libmsi_query_new(database, sql, &error);
    ASSERT_NE(query, nullptr) << sql;
    EXPECT_TRUE(libmsi_query_execute(query, values, &error)) << sql;
    g_object_unref(query);
}

// How a package's summary information keeps its Template and revision
// number: as text, as a package builder writes them, or otherwise.
enum class Summary { Texts, OnlyTitle, TemplateAsInteger, RevisionAsFileTime };

// package with the summary property that holds text given another type
// (VT_I4 = 3, VT_FILETIME = 64) in place: libmsi writes no such property.
Bytes Retyped(Bytes package, const std::string& text, std::uint8_t type) {
    const std::uint32_t length = static_cast<std::uint32_t>(text.size() + 1);
    Bytes stored = {30, 0, 0, 0};  // VT_LPSTR, then the length with its NUL
    for (int shift = 0; shift < 32; shift += 8) stored.push_back(static_cast<std::uint8_t>(length >> shift));
    stored.insert(stored.end(), text.begin(), text.end());
    const auto at = std::search(package.begin(), package.end(), stored.begin(), stored.end());
    EXPECT_NE(at, package.end()) << text;
    EXPECT_EQ(std::search(at + 1, package.end(), stored.begin(), stored.end()), package.end()) << text;
    if (at != package.end()) *at = type;
    return package;
}

void WriteSummary(LibmsiDatabase* database, Summary kind) {
    GError* error = nullptr;
    LibmsiSummaryInfo* summary = libmsi_summary_info_new(database, 3, &error);
    if (kind == Summary::OnlyTitle) {
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_TITLE, "Installation Database", &error));
    } else {
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_TEMPLATE, "Intel;1049", &error));
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_UUID, kPackageCode, &error));
    }
    EXPECT_TRUE(libmsi_summary_info_save(summary, database, &error));
    g_object_unref(summary);
}

// A package with a Property table kept in codePage and summary information,
// as a package builder writes them, or with the summary given.
Bytes MakePackage(const Properties& properties, int codePage, Summary summary = Summary::Texts) {
    TemporaryName file, folder;
    unlink(folder.path.c_str());
    mkdir(folder.path.c_str(), 0700);
    std::ofstream(folder.path + "/cp.idt") << "\r\n\r\n" << codePage << "\t_ForceCodepage\r\n";
    GError* error = nullptr;
    LibmsiDatabase* database = libmsi_database_new(file.path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, &error);
    EXPECT_NE(database, nullptr);
    if (database == nullptr) return {};
    EXPECT_TRUE(libmsi_database_import(database, (folder.path + "/cp.idt").c_str(), &error));
    unlink((folder.path + "/cp.idt").c_str());
    rmdir(folder.path.c_str());
    Run(database,
        "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL LOCALIZABLE "
        "PRIMARY KEY `Property`)");
    for (const auto& [name, value] : properties) {
        LibmsiRecord* record = libmsi_record_new(2);
        libmsi_record_set_string(record, 1, name.c_str());
        libmsi_record_set_string(record, 2, value.c_str());
        Run(database, "INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", record);
        g_object_unref(record);
    }
    WriteSummary(database, summary);
    EXPECT_TRUE(libmsi_database_commit(database, &error));
    g_object_unref(database);
    std::ifstream read(file.path, std::ios::binary);
    const Bytes package(std::istreambuf_iterator<char>(read), {});
    if (summary == Summary::TemplateAsInteger) return Retyped(package, "Intel;1049", 3);
    if (summary == Summary::RevisionAsFileTime) return Retyped(package, kPackageCode, 64);
    return package;
}

const Properties kCyrillic = {{"ProductName", "Учёт склада"},
                              {"Manufacturer", "ООО «Ромашка»"},
                              {"ProductVersion", "2.10.345"},
                              {"ProductCode", "{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}"},
                              {"UpgradeCode", "{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}"},
                              {"ALLUSERS", "2"},
                              {"MSIINSTALLPERUSER", "1"},
                              {"Other", "x"}};
const Properties kCjk = {{"ProductName", "库存管理"}, {"Manufacturer", "北京软件有限公司"}, {"ProductVersion", "1.0"}};

std::string Write(const Bytes& bytes) {
    static int count = 0;
    const std::string path = "/tmp/product-info-" + std::to_string(getpid()) + "-" + std::to_string(count++);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

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
        EXPECT_EQ(ReadImage(source.get(), model), ImageWriteStatus::Written);
    }
    std::map<std::string, Bytes> Written() {
        UniqueStream out(std::tmpfile());
        EXPECT_EQ(WriteModel(model, out.get()), ImageWriteStatus::Written);
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

}  // namespace
}  // namespace test
}  // namespace ZORVANE
