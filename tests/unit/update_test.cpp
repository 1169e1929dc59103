#include <gtest/gtest.h>

#include <string>

#include "update/target_path.h"

using namespace ZORVANE;

TEST(TargetPath, NumbersTheFileNamePartAndResolvesRelativeNames) {
    EXPECT_EQ(NumberedName("New.exe", 1), "(1)New.exe");
    EXPECT_EQ(NumberedName("sub\\New.exe", 12), "sub\\(12)New.exe");
    EXPECT_EQ(NumberedName("C:\\a\\b.exe", 99), "C:\\a\\(99)b.exe");

    std::string path;
    ASSERT_TRUE(ResolveTargetPath("C:\\work", "sub\\New.exe", path));
    EXPECT_EQ(path, "C:\\work\\sub\\New.exe");
    ASSERT_TRUE(ResolveTargetPath("C:\\", "New.exe", path));
    EXPECT_EQ(path, "C:\\New.exe");
    ASSERT_TRUE(ResolveTargetPath("C:\\work", "D:\\out\\New.exe", path));
    EXPECT_EQ(path, "D:\\out\\New.exe");

    path = "untouched";
    EXPECT_FALSE(ResolveTargetPath("C:\\work", std::string(255, 'n') + ".exe", path));
    EXPECT_EQ(path, "untouched");
}
