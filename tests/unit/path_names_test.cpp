#include <windows.h>
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

#include "common/path_names.h"
#include "core/wide_text.h"

using namespace ZORVANE;

namespace {

std::wstring Wide(const std::string& utf8) {
    std::wstring wide;
    EXPECT_TRUE(Widen(utf8, wide)) << utf8;
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    std::string utf8;
    EXPECT_TRUE(Narrow(wide.c_str(), wide.size(), utf8));
    return utf8;
}

std::string Stripped(const std::string& path) {
    std::wstring wide = Wide(path);
    PathStripPathW(&wide[0]);
    return Utf8(wide.c_str());
}

std::string ExtensionRemoved(const std::string& path) {
    std::wstring wide = Wide(path);
    PathRemoveExtensionW(&wide[0]);
    return Utf8(wide.c_str());
}

}  // namespace

// The launcher takes UTF-8 names apart without the shell; it must agree with
// the shell's UTF-16 functions, in any script.
TEST(PathNames, AgreeWithTheShellsPathFunctions) {
    // The last one's second byte in code page 932 is a backslash.
    const char* paths[] = {"C:\\dir\\Setup.exe",
                           "Setup",
                           "a.b.exe",
                           "C:\\a.b\\Setup",
                           "C:\\dir\\",
                           "dir/sub/x.exe",
                           "C:x.exe",
                           "\\\\server\\share\\s.exe",
                           "a.b c",
                           "x.",
                           ".exe",
                           "dir\\\\x.exe",
                           "",
                           "a:b\\c.d",
                           "C:\\dir\\My Setup.exe",
                           "C:\\dir\\Setup.v1 final",
                           "\\",
                           "C:",
                           "C:\\",
                           "/x.exe",
                           "dir/",
                           "a\\.hidden",
                           "C:\\users\\Дмитрий\\Установка.exe",
                           "C:\\用户\\安装程序.exe",
                           "Zażółć\\gęślą.jaźń.exe",
                           "C:\\ソフト\\表示.exe"};
    for (const char* path : paths) {
        EXPECT_EQ(FileNameOf(path), Stripped(path)) << path;
        EXPECT_EQ(WithoutExtension(path), ExtensionRemoved(path)) << path;
        EXPECT_EQ(IsRelativePath(path), PathIsRelativeW(Wide(path).c_str()) != FALSE) << path;
    }
}
