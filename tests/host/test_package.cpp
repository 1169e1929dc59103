#include "test_package.h"

#include <gtest/gtest.h>
#include <libmsi.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace ZORVANE {
namespace test {

using Bytes = std::vector<std::uint8_t>;

const char kPackageCode[] = "{6A1F0C2E-4B3D-4E5F-8A9B-0C1D2E3F4A5B}";
const char kSubject[] = "Stock keeping";
const char kComments[] = "Keeps: \"stock\" # counted\n- daily";

const Properties kCyrillic = {{"ProductName", "Учёт склада"},
                              {"Manufacturer", "ООО «Ромашка»"},
                              {"ProductVersion", "2.10.345"},
                              {"ProductCode", "{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}"},
                              {"UpgradeCode", "{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}"},
                              {"ALLUSERS", "2"},
                              {"MSIINSTALLPERUSER", "1"},
                              {"Other", "x"}};
const Properties kCjk = {{"ProductName", "库存管理"}, {"Manufacturer", "北京软件有限公司"}, {"ProductVersion", "1.0"}};

namespace {

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
    LibmsiSummaryInfo* summary = libmsi_summary_info_new(database, 5, &error);
    if (kind == Summary::OnlyTitle) {
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_TITLE, "Installation Database", &error));
    } else {
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_TEMPLATE, "Intel;1049", &error));
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_UUID, kPackageCode, &error));
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_SUBJECT, kSubject, &error));
        EXPECT_TRUE(libmsi_summary_info_set_string(summary, LIBMSI_PROPERTY_COMMENTS, kComments, &error));
    }
    EXPECT_TRUE(libmsi_summary_info_save(summary, database, &error));
    g_object_unref(summary);
}

constexpr char kWixlSource[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}" Name="Probe" Language="1033" Version="1.2.3"
           Manufacturer="Maker" UpgradeCode="{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="p.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder"><Directory Id="D" Name="Probe">
      <Component Id="C" Guid="{1F6E0B52-8C3D-4A7E-9B21-5D4C3A2F1E09}"><File Id="F" Source="readme.txt"/></Component>
    </Directory></Directory></Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="C"/></Feature>
  </Product>
</Wix>
)";

Bytes ReadFile(const std::string& path) {
    std::ifstream read(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(read), {});
}

}  // namespace

Bytes MakeWixlPackage() {
    TemporaryName folder;
    unlink(folder.path.c_str());
    mkdir(folder.path.c_str(), 0700);
    std::ofstream(folder.path + "/p.wxs") << kWixlSource;
    std::ofstream(folder.path + "/readme.txt") << "read me\n";
    const pid_t child = fork();
    if (child == 0) {
        // wixl takes sources relative to where it runs.
        if (chdir(folder.path.c_str()) == 0)
            execlp("wixl", "wixl", "-o", "p.msi", "p.wxs", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "wixl (msitools) did not build the package";
    const Bytes package = ReadFile(folder.path + "/p.msi");
    for (const char* name : {"/p.wxs", "/readme.txt", "/p.msi"}) unlink((folder.path + name).c_str());
    rmdir(folder.path.c_str());
    return package;
}

Bytes MakePackage(const Properties& properties, int codePage, Summary summary) {
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
    const Bytes package = ReadFile(file.path);
    if (summary == Summary::TemplateAsInteger) return Retyped(package, "Intel;1049", 3);
    if (summary == Summary::RevisionAsFileTime) return Retyped(package, kPackageCode, 64);
    return package;
}

std::string Write(const Bytes& bytes) {
    static int count = 0;
    const std::string path = "/tmp/product-info-" + std::to_string(getpid()) + "-" + std::to_string(count++);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace test
}  // namespace ZORVANE
