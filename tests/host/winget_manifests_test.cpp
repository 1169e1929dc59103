// What the maker tells deployment systems: the values winget's schemas take,
// the three manifests made from a package, and --describe's JSON.
#include "maker/winget_manifests.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <memory>

#include "common/unique_stream.h"
#include "maker/file_digest.h"
#include "maker/winget_rules.h"

namespace ZORVANE {
namespace {

struct RuleCase {
    bool (*rule)(std::string_view);
    std::string text;
    bool taken;
};

const std::string k32(32, 'a');

const RuleCase kRuleCases[] = {
    {IsWingetPackageIdentifier, "Contoso.Product", true},
    {IsWingetPackageIdentifier, "Ромашка.Учёт-Склад_2", true},
    {IsWingetPackageIdentifier, k32 + "." + k32, true},
    {IsWingetPackageIdentifier, k32 + "a.b", false},
    {IsWingetPackageIdentifier, "a.b.c.d.e.f.g.h", true},
    {IsWingetPackageIdentifier, "a.b.c.d.e.f.g.h.i", false},
    {IsWingetPackageIdentifier, "Product", false},
    {IsWingetPackageIdentifier, "Contoso..Product", false},
    {IsWingetPackageIdentifier, ".Contoso.Product", false},
    {IsWingetPackageIdentifier, "Contoso.Product.", false},
    {IsWingetPackageIdentifier, "Contoso.My Product", false},
    {IsWingetPackageIdentifier, "Contoso.My\xC2\xA0Product", false},
    {IsWingetPackageIdentifier, "Contoso.A/B", false},
    {IsWingetPackageIdentifier, "Contoso.A:B", false},
    {IsWingetPackageIdentifier, "Contoso.A\"B", false},
    {IsWingetPackageIdentifier,
     "Contoso.A\x01"
     "B",
     false},
    {IsWingetPackageIdentifier, "Contoso.caf\xE9", false},
    {IsWingetPackageIdentifier, std::string(4, 'a') + "." + k32 + "." + k32 + "." + k32 + "." + k32, false},
    {IsWingetPackageVersion, "2.10.345", true},
    {IsWingetPackageVersion, "1.0 beta-2+build", true},
    {IsWingetPackageVersion, "", false},
    {IsWingetPackageVersion, "1.0/beta", false},
    {IsWingetPackageVersion, "1.0:2", false},
    {IsWingetPackageVersion, "1.0\n", false},
    {IsWingetPackageVersion, std::string(128, '1'), true},
    {IsWingetPackageVersion, std::string(129, '1'), false},
    {IsWingetUrl, "https://example.com/Setup.exe", true},
    {IsWingetUrl, "HTTP://example.com/a b", true},
    {IsWingetUrl, "ftp://example.com/Setup.exe", false},
    {IsWingetUrl, "https://", false},
    {IsWingetUrl, "example.com/https://x", false},
    {IsWingetUrl, "https://example.com/\nSetup.exe", false},
    {IsWingetUrl, "https://example.com/\xE2\x80\xA8", false},
    {IsWingetUrl, "https://" + std::string(2040, 'x'), true},
    {IsWingetUrl, "https://" + std::string(2041, 'x'), false},
    {IsWingetLocale, "en-US", true},
    {IsWingetLocale, "zh-Hans-CN", true},
    {IsWingetLocale, "i-klingon", true},
    {IsWingetLocale, "x-private", true},
    {IsWingetLocale, "e", false},
    {IsWingetLocale, "english", false},
    {IsWingetLocale, "en_US", false},
    {IsWingetLocale, "en-", false},
    {IsWingetLocale, "x-abcdefghi", false},
    {IsWingetLocale, "en-US-abcdefghijklmno", false},
};

TEST(WingetRules, ValuesAreTakenAsTheSchemasSay) {
    for (const RuleCase& c : kRuleCases) EXPECT_EQ(c.rule(c.text), c.taken) << c.text;
    EXPECT_EQ(CharacterCount("Учёт \xFF"), 6u);
}

WingetIdentity Identity() {
    WingetIdentity identity;
    identity.packageId = "Romashka.Uchet";
    identity.installerUrl = "https://example.com/Setup.exe";
    return identity;
}

LauncherFacts Facts() {
    LauncherFacts facts;
    facts.hasPackage = facts.hasPackageInfo = true;
    facts.package.productName = "Учёт склада";
    facts.package.manufacturer = "ООО «Ромашка»";
    facts.package.productVersion = "2.10.345";
    facts.package.productCode = "{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}";
    facts.package.upgradeCode = "{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}";
    facts.package.allUsers = "1";
    return facts;
}

bool Holds(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}
bool HasLineStarting(const std::string& text, const std::string& start) {
    return text.find("\n" + start) != std::string::npos;
}

// Each row: a change to the package's info, and what the manifests then
// hold: a line of the installer manifest (or "!" and the start of lines it
// must not have) and one of the locale manifest, or the problem.
struct ManifestCase {
    void (*change)(LauncherFacts&);
    const char* installerLine;
    const char* localeLine;
    const char* problem;  // empty: made
    std::size_t warnings;
};

const std::string kLong251(251, 'N');

const ManifestCase kManifestCases[] = {
    {[](LauncherFacts&) {}, "Scope: machine", "ShortDescription: \"Учёт склада setup\"", "", 0},
    {[](LauncherFacts& f) { f.package.allUsers = ""; }, "Scope: user", "PackageName: \"Учёт склада\"", "", 0},
    {[](LauncherFacts& f) { f.package.allUsers = "2"; }, "!Scope:", "Publisher: \"ООО «Ромашка»\"", "", 0},
    {[](LauncherFacts& f) {
         f.package.comments = "Склад: учёт";
         f.package.subject = "Subject";
     },
     "    UpgradeCode: \"{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}\"", "ShortDescription: \"Склад: учёт\"", "", 0},
    {[](LauncherFacts& f) {
         f.package.comments = "ab";
         f.package.subject = "Subject";
     },
     "  Silent: \"/qn\"", "ShortDescription: \"Subject\"", "", 1},
    {[](LauncherFacts& f) { f.package.comments = std::string(257, 'c'); },
     "ProductCode: \"{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}\"", "ShortDescription: \"Учёт склада setup\"", "", 1},
    {[](LauncherFacts& f) { f.optionLine = "/qb ADDLOCAL=ALL"; }, "!InstallerSwitches:", "License: \"Proprietary\"", "",
     1},
    {[](LauncherFacts& f) { f.package.upgradeCode = ""; }, "!    UpgradeCode:", "PackageLocale: \"en-US\"", "", 0},
    {[](LauncherFacts& f) { f.package.productName = "N\n- K: v # c"; }, "    DisplayName: \"N\\n- K: v # c\"",
     "PackageName: \"N\\n- K: v # c\"", "", 0},
    {[](LauncherFacts& f) { f.package.manufacturer = ""; }, "", "", "Manufacturer is empty", 0},
    {[](LauncherFacts& f) { f.package.manufacturer = "M"; }, "", "", "Manufacturer has 1 character", 0},
    {[](LauncherFacts& f) { f.package.productName = std::string(257, 'N'); }, "", "", "ProductName has 257", 0},
    {[](LauncherFacts& f) { f.package.productName = kLong251; }, "", "", "ShortDescription", 0},
    {[](LauncherFacts& f) { f.package.productVersion = "1.0/beta"; }, "", "", "\"1.0/beta\" holds a character", 0},
    {[](LauncherFacts& f) { f.package.productVersion = ""; }, "", "", "no ProductVersion", 0},
    {[](LauncherFacts& f) { f.package.productVersion = std::string(129, '1'); }, "", "", "ProductVersion has 129", 0},
    {[](LauncherFacts& f) { f.package.productCode = std::string(256, 'P'); }, "", "", "ProductCode has 256", 0},
    {[](LauncherFacts& f) { f.hasPackageInfo = false; }, "", "", "no product info", 0},
    {[](LauncherFacts& f) { f.hasPackage = f.hasPackageInfo = false; }, "", "", "carries no package", 0},
};

TEST(WingetManifests, AreFilledFromThePackageOrRefusedWithTheReason) {
    const std::string sha256(64, 'A');
    for (const ManifestCase& c : kManifestCases) {
        LauncherFacts facts = Facts();
        c.change(facts);
        const WingetManifests made = MakeWingetManifests(Identity(), facts, sha256);
        const std::string label = std::string(c.installerLine) + " / " + c.problem;
        EXPECT_EQ(made.warnings.size(), c.warnings) << label;
        if (*c.problem != '\0') {
            EXPECT_NE(made.problem.find(c.problem), std::string::npos) << made.problem;
            continue;
        }
        ASSERT_EQ(made.problem, "") << label;
        const std::string& installer = made.texts[2];
        if (*c.installerLine == '!') {
            EXPECT_FALSE(HasLineStarting(installer, c.installerLine + 1)) << installer;
        } else {
            EXPECT_TRUE(Holds(installer, c.installerLine)) << installer;
        }
        EXPECT_TRUE(Holds(made.texts[1], c.localeLine)) << made.texts[1];
        for (const std::string& text : made.texts) EXPECT_TRUE(Holds(text, "PackageVersion: \"2.10.345\"")) << text;
        EXPECT_TRUE(Holds(installer, "    InstallerSha256: \"" + sha256 + "\"")) << installer;
    }
}

TEST(WingetManifests, EachStartsWithItsSchemaAndEndsWithItsType) {
    const WingetManifests made = MakeWingetManifests(Identity(), Facts(), std::string(64, 'A'));
    const char* types[] = {"version", "defaultLocale", "installer"};
    EXPECT_EQ(WingetFileNames(Identity()),
              (std::array<std::string, kWingetFiles>{"Romashka.Uchet.yaml", "Romashka.Uchet.locale.en-US.yaml",
                                                     "Romashka.Uchet.installer.yaml"}));
    for (std::size_t i = 0; i < kWingetFiles; ++i) {
        const std::string& text = made.texts[i];
        EXPECT_EQ(text.rfind("# yaml-language-server: $schema=https://aka.ms/winget-manifest." + std::string(types[i]) +
                                 ".1.28.0.schema.json\n",
                             0),
                  0u)
            << text;
        EXPECT_TRUE(Holds(text, "ManifestType: " + std::string(types[i]))) << text;
        EXPECT_TRUE(Holds(text, "ManifestVersion: 1.28.0")) << text;
    }
}

// The hash winget checks is of the whole file, wherever its stream stood.
TEST(FileDigest, IsTheWholeFilesAsSha256sumGivesIt) {
    char path[] = "/tmp/file-digest-XXXXXX";
    UniqueStream file(fdopen(mkstemp(path), "w+b"));
    ASSERT_TRUE(file);
    for (int i = 0; i < 3 << 20; ++i) std::fputc(i * 7 % 251, file.get());
    ASSERT_EQ(std::fflush(file.get()), 0);
    std::fseek(file.get(), 12345, SEEK_SET);
    std::string digest;
    ASSERT_TRUE(Sha256OfStream(file.get(), digest));
    char expected[65] = {};
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> sum(popen(("sha256sum " + std::string(path)).c_str(), "r"),
                                                              pclose);
    ASSERT_EQ(std::fread(expected, 1, 64, sum.get()), 64u);
    for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(digest, expected);
    unlink(path);
}

TEST(DescribeJson, WhatThePackageDoesNotSetIsNull) {
    LauncherFacts facts = Facts();
    facts.package.productName = "";
    const std::string json = DescribeJson(facts);
    EXPECT_NE(json.find("\"ProductName\": null,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"MSIINSTALLPERUSER\": null,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"OptionLine\": null,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"Manufacturer\": \"ООО «Ромашка»\","), std::string::npos) << json;
    EXPECT_EQ(json.find("\"\""), std::string::npos) << json;
}

// The mark shows in --describe only: winget installs the launcher the same way.
TEST(DescribeJson, SaysWhetherTheLauncherKeepsItsPackage) {
    LauncherFacts facts = Facts();
    const std::string fields = WingetInstallerFields(facts);
    for (const bool keeps : {false, true}) {
        facts.keepsPackage = keeps;
        const std::string line = std::string("\n  \"KeepsPackage\": ") + (keeps ? "true" : "false") + ",\n";
        EXPECT_NE(DescribeJson(facts).find(line), std::string::npos) << DescribeJson(facts);
        EXPECT_EQ(WingetInstallerFields(facts), fields);
    }
}

}  // namespace
}  // namespace ZORVANE
