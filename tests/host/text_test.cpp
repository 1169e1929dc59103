// Platform-free text handling of the launcher: UTF-8 checks and cuts, file
// names taken apart, and the options that ask for a silent run.
#include <gtest/gtest.h>

#include <string>

#include "common/path_names.h"
#include "common/utf8.h"
#include "common/silent_options.h"

using namespace ZORVANE;

TEST(Utf8, AcceptsWellFormedTextOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"Дмитрий", true},
        {"安装程序", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xEF\xBF\xBF", true},
        {"\xF4\x8F\xBF\xBF", true},
        {"caf\xE9", false},           // ANSI, not UTF-8
        {"\xD6\xD0\xCE\xC4", false},  // code page 936
        {"\x80", false},
        {"\xC3", false},
        {"\xC0\x80", false},
        {"\xE0\x80\x80", false},      // cut, stray, overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xE2\x82", false},
        {"\xE2\x28\xA1", false},
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
}

TEST(Utf8, ACutNeverSplitsACharacter) {
    const std::string text = "ab\xD0\x96\xE4\xB8\xAD";  // a, b, Cyrillic zhe (2 bytes), a CJK character (3)
    const std::pair<size_t, size_t> cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 4}, {5, 4}, {6, 4}, {7, 7}, {100, 7}};
    for (const auto& [limit, length] : cases) EXPECT_EQ(Utf8PrefixLength(text, limit), length) << limit;
}

// What the platform's limits count: one unit a character, two past U+FFFF; none for text it refuses.
TEST(Utf8, Utf16LengthCountsUnitsOfValidTextOnly) {
    const std::pair<const char*, size_t> cases[] = {
        {"", 0}, {"Setup", 5}, {"Дмитрий", 7}, {"安装", 2}, {"\xF0\x9F\x98\x80", 2}, {"caf\xE9", 0}, {"\xED\xA0\x80", 0},
    };
    for (const auto& [text, units] : cases) EXPECT_EQ(Utf16Length(text), units) << text;
}

TEST(PathNames, TakeUtf8NamesApartAtSeparatorsOnly) {
    // path, file name, without extension of the path, folder
    const char* cases[][4] = {
        {"C:\\users\\Дмитрий\\Установка.exe", "Установка.exe", "C:\\users\\Дмитрий\\Установка", "C:\\users\\Дмитрий\\"},
        {"C:\\用户\\安装程序.exe", "安装程序.exe", "C:\\用户\\安装程序", "C:\\用户\\"},
        {"C:\\ソフト\\表示.exe", "表示.exe", "C:\\ソフト\\表示", "C:\\ソフト\\"},  // 0x5C is a trail byte in code page 932
        {"a.b.exe", "a.b.exe", "a.b", "."},
        {"dir\\", "dir\\", "dir\\", "dir\\"},
        {"a.b c", "a.b c", "a.b c", "."},
        {"C:x.exe", "x.exe", "C:x", "C:"},
        {"sub/New.exe", "New.exe", "sub/New", "sub/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOf(c[0]), c[1]) << c[0];
        EXPECT_EQ(WithoutExtension(c[0]), c[2]) << c[0];
        EXPECT_EQ(FolderOf(c[0]), c[3]) << c[0];
    }
    // A POSIX path splits at '/' only.
    EXPECT_EQ(FolderOf("/srv/out\\x:y.exe", "/"), "/srv/");
    EXPECT_EQ(FileNameStart("launcher.exe", "/"), 0u);
}

TEST(SilentOptions, OnlyTheSwitchesThatHideEveryWindow) {
    const std::pair<const char*, bool> cases[] = {
        {"/qn", true},
        {"/QN", true},
        {"-qn", true},
        {"/q", true},
        {"/qn+", true},
        {"/qn-", true},
        {"/quiet", true},
        {"/Passive", true},
        {"\"/qn\"", true},
        {"ADDLOCAL=ALL /qn", true},
        {"\t/quiet\t", true},
        {"/qb", false},
        {"/qb-!", false},
        {"/qr", false},
        {"/qf", false},
        {"", false},
        {"qn", false},
        {"/", false},
        {"INSTALLDIR=C:\\qn", false},
        {"/qnx", false},
        {"/quietly", false},
        {"PROP=/qn", false},
    };
    for (const auto& [options, silent] : cases) EXPECT_EQ(RequestsSilentRun(options), silent) << options;
}
