#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "core/path_names.h"

using namespace ZORVANE;

namespace {

std::string Stripped(std::string path) {
    PathStripPathA(&path[0]);
    return path.c_str();
}

std::string ExtensionRemoved(std::string path) {
    PathRemoveExtensionA(&path[0]);
    return path.c_str();
}

}  // namespace

// The launcher takes names apart without the shell; it must agree with it.
TEST(PathNames, AgreeWithTheShellsPathFunctions) {
    const char* paths[] = {
        "C:\\dir\\Setup.exe", "Setup", "a.b.exe", "C:\\a.b\\Setup", "C:\\dir\\", "dir/sub/x.exe",
        "C:x.exe", "\\\\server\\share\\s.exe", "a.b c", "x.", ".exe", "dir\\\\x.exe", "",
        "a:b\\c.d", "C:\\dir\\My Setup.exe", "C:\\dir\\Setup.v1 final", "\\", "C:", "C:\\",
        "/x.exe", "dir/", "a\\.hidden",
    };
    for (const char* path : paths) {
        EXPECT_EQ(FileNameOf(path), Stripped(path)) << path;
        EXPECT_EQ(WithoutExtension(path), ExtensionRemoved(path)) << path;
        EXPECT_EQ(IsRelativePath(path), PathIsRelativeA(path) != FALSE) << path;
    }
}
