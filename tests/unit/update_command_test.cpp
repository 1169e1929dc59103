// The update command's keyword split and the numbering of the new
// launcher's name, in a folder of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/create_new_wrapper.h"

using namespace ZORVANE;

namespace {

TEST(ParseArgument, SplitsAtTheFirstSign) {
    const struct {
        const char* argument;
        bool parsed;
        const char* key;
        const char* value;
    } cases[] = {
        {"MSI=a.msi", true, "MSI", "a.msi"},
        {"Params=/qb X=1=2", true, "Params", "/qb X=1=2"},
        {"a==b", true, "a", "=b"},
        {"=x", true, "", "x"},
        {"Params=", true, "Params", ""},
        {"=", true, "", ""},
        {"WrapperName=sub\\(1)New.exe", true, "WrapperName", "sub\\(1)New.exe"},
        // No sign: key and value keep what they held.
        {"MSI", false, "old key", "old value"},
        {"", false, "old key", "old value"},
    };
    const createNewWrapper command;
    for (const auto& c : cases) {
        std::string key = "old key", value = "old value";
        EXPECT_EQ(command.ParseArgument(c.argument, key, value), c.parsed) << c.argument;
        EXPECT_EQ(key, c.key) << c.argument;
        EXPECT_EQ(value, c.value) << c.argument;
    }
}

// Each case in a folder of its own, made the current directory before the
// command is made, as a person starts -update in a folder.
class VerifyFileName : public testing::Test {
protected:
    void SetUp() override {
        wchar_t current[MAX_PATH] = {}, temp[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        GetTempPathW(MAX_PATH, temp);
        previous_ = current;
        root_ = std::wstring(temp) + L"unit-names-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_.c_str());
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
            if (!DeleteFileW(it->c_str())) RemoveDirectoryW(it->c_str());
        }
        RemoveDirectoryW(root_.c_str());
    }
    // A new, current, empty folder for one case.
    void EnterNewFolder() {
        folder_ = root_ + L"\\" + std::to_wstring(made_.size());
        Made(folder_);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
    }
    void Take(const std::string& name) {
        const std::wstring path = Path(name);
        Made(path);
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
        CloseHandle(file);
    }
    void Folder(const std::string& name) {
        Made(Path(name));
        ASSERT_TRUE(CreateDirectoryW(Path(name).c_str(), nullptr));
    }
    bool Exists(const std::string& name) { return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::wstring Path(const std::string& name) { return folder_ + L"\\" + std::wstring(name.begin(), name.end()); }
    void Made(const std::wstring& path) { made_.push_back(path); }

    std::wstring previous_, root_, folder_;
    std::vector<std::wstring> made_;  // removed in reverse
};

std::string Numbered(unsigned number, const std::string& name) { return "(" + std::to_string(number) + ")" + name; }

// Taken: New.exe and (1) to (last - 1) before it.
std::vector<std::string> TakenUpTo(unsigned last) {
    std::vector<std::string> taken = {"New.exe"};
    for (unsigned i = 1; i < last; ++i) taken.push_back(Numbered(i, "New.exe"));
    return taken;
}

TEST_F(VerifyFileName, TriesTheNameThenNinetyNineNumberedOnes) {
    const struct {
        const char* what;
        std::string name;
        std::vector<std::string> taken;
        std::string reserved;  // empty: refused
    } cases[] = {
        {"free", "New.exe", {}, "New.exe"},
        {"taken", "New.exe", {"New.exe"}, "(1)New.exe"},
        {"first free number", "New.exe", {"New.exe", "(1)New.exe", "(3)New.exe"}, "(2)New.exe"},
        {"a number only when the name is taken", "New.exe", {"(1)New.exe"}, "New.exe"},
        {"in a folder", "sub\\New.exe", {"sub\\New.exe"}, "sub\\(1)New.exe"},
        {"the last number", "New.exe", TakenUpTo(99), "(99)New.exe"},
        {"all a hundred taken", "New.exe", TakenUpTo(100), ""},
    };
    for (const auto& c : cases) {
        EnterNewFolder();
        if (c.name.find('\\') != std::string::npos) Folder("sub");
        for (const std::string& name : c.taken) Take(name);
        createNewWrapper command;
        std::string name = c.name;
        const ReservedName reservation = command.VerifyFileName(name);
        if (c.reserved.empty()) {
            EXPECT_FALSE(reservation) << c.what;
            EXPECT_EQ(name, c.name) << c.what;
            EXPECT_FALSE(Exists(Numbered(100, "New.exe"))) << c.what;  // never tried
            continue;
        }
        ASSERT_TRUE(reservation) << c.what;
        EXPECT_EQ(name, c.reserved) << c.what;
        EXPECT_EQ(reservation.Path(), std::string(folder_.begin(), folder_.end()) + "\\" + c.reserved) << c.what;
        Made(Path(c.reserved));
        // The reservation is an empty file of that name, while it is held.
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        EXPECT_TRUE(GetFileAttributesExW(Path(c.reserved).c_str(), GetFileExInfoStandard, &data)) << c.what;
        EXPECT_EQ(data.nFileSizeLow, 0u) << c.what;
    }
}

// A reservation that no launcher fills is removed again.
TEST_F(VerifyFileName, AnUnfilledReservationIsRemoved) {
    EnterNewFolder();
    createNewWrapper command;
    std::string name = "New.exe";
    {
        const ReservedName reservation = command.VerifyFileName(name);
        ASSERT_TRUE(reservation);
        EXPECT_TRUE(Exists("New.exe"));
    }
    EXPECT_FALSE(Exists("New.exe"));
}

}  // namespace
