#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "update/create_new_wrapper.h"
#include "update/target_path.h"

using namespace ZORVANE;
using testing_support::DebugOutputRecorder;
using testing_support::FileExists;
using testing_support::PrivateTempFolder;
using testing_support::WriteFileBytes;

TEST(ParseArgument, SplitsAtTheFirstEqualsSign) {
    struct Case { const char* argument; bool parsed; const char* key; const char* value; } cases[] = {
        {"Params=/qb ADDLOCAL=ALL", true, "Params", "/qb ADDLOCAL=ALL"},
        {"Params=", true, "Params", ""},
        {"=x", true, "", "x"},
        {"MSI", false, "unchanged", "unchanged"},
        {"", false, "unchanged", "unchanged"},
    };
    createNewWrapper command;
    for (const Case& c : cases) {
        std::string key = "unchanged", value = "unchanged";
        EXPECT_EQ(command.ParseArgument(c.argument, key, value), c.parsed) << c.argument;
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(value, c.value);
    }
}

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

TEST(VerifyFileName, TakesTheBaseNameThenNumberedOnesUpTo99) {
    PrivateTempFolder folder;
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(folder.Path().c_str());

    createNewWrapper command;
    command.Run({"WrapperName=New.exe"});  // reserves and copies
    EXPECT_TRUE(FileExists(folder.File("New.exe")));

    std::string name = "New.exe";
    DebugOutputRecorder recorder;
    ASSERT_TRUE(command.VerifyFileName(name));
    EXPECT_EQ(name, "(1)New.exe");
    EXPECT_EQ(recorder.Lines().back(), "CreateNewWrapper - Events Found new file name:(1)New.exe");

    for (unsigned number = 2; number < 100; ++number) {
        WriteFileBytes(folder.File("(" + std::to_string(number) + ")New.exe"), "x");
    }
    name = "New.exe";
    EXPECT_FALSE(command.VerifyFileName(name));
    EXPECT_EQ(name, "New.exe");
    EXPECT_FALSE(FileExists(folder.File("(100)New.exe")));
    EXPECT_EQ(recorder.Lines().back(), "Zorvane - Events Couldn't create new file. Too many files in directory");
    SetCurrentDirectoryA(saved);
}
