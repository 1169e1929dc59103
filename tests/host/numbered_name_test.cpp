// The names a new launcher takes when its own is taken: the number goes in
// front of the file name, never of a folder or drive.
#include <gtest/gtest.h>

#include "common/numbered_name.h"

namespace ZORVANE {
namespace {

TEST(NumberedName, NumbersTheFileNamePartOnly) {
    const char* cases[][3] = {
        // name, number, numbered
        {"New.exe", "1", "(1)New.exe"},
        {"sub\\New.exe", "2", "sub\\(2)New.exe"},
        {"a/b\\c/New.exe", "99", "a/b\\c/(99)New.exe"},
        {"C:New.exe", "3", "C:(3)New.exe"},
        {"C:\\Пакет\\Установка.exe", "10", "C:\\Пакет\\(10)Установка.exe"},
        {"folder\\", "4", "folder\\(4)"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberedName(c[0], std::stoul(c[1])), c[2]) << c[0];
}

}  // namespace
}  // namespace ZORVANE
