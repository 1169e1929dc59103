#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "launch/package_file.h"

using namespace ZORVANE;

namespace {

// Large enough for the two-thread read-back.
const std::string& LargePackage() {
    static const std::string bytes = [] {
        std::string made(20 << 20, '\0');
        for (size_t i = 0; i < made.size(); ++i) made[i] = static_cast<char>(i * 2654435761u >> 13);
        return made;
    }();
    return bytes;
}

void Release(char* pages) { VirtualFree(pages, 0, MEM_RELEASE); }

ResourceView ViewOf(const std::string& bytes) { return {bytes.data(), static_cast<DWORD>(bytes.size())}; }

}  // namespace

// Files in a folder of the test's own, removed afterwards.
class PackageFile : public testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        folder_ = std::string(base) + "unit-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& path : files_) DeleteFileA(path.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    // The path of a new file holding bytes.
    std::string File(const std::string& name, const std::string& bytes) {
        files_.push_back(folder_ + name);
        UniqueStream file(std::fopen(files_.back().c_str(), "wb"));
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
        return files_.back();
    }
    std::string folder_;
    std::vector<std::string> files_;
};

TEST_F(PackageFile, WrittenPackageIsHeldAgainstWritersAndDeletion) {
    const std::string path = File("pkg.msi", "");
    ASSERT_TRUE(WritePackage(path, ViewOf(LargePackage())));
    UniqueFile hold = HoldWrittenPackage(path, ViewOf(LargePackage()));
    ASSERT_TRUE(hold);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(WritePackage(folder_ + "gone.msi", ViewOf(LargePackage())));
}

// Anything left in the reservation, or changed in either half, fails the read-back.
TEST_F(PackageFile, ReadBackRefusesAnyOtherContent) {
    const std::string& package = LargePackage();
    std::vector<std::string> others = {package + "left behind"};
    for (size_t at : {size_t{0}, package.size() / 2 - 1, package.size() / 2 + 7, package.size() - 1}) {
        others.push_back(package);
        others.back()[at] ^= 1;
    }
    for (size_t i = 0; i < others.size(); ++i) {
        EXPECT_FALSE(HoldWrittenPackage(File(std::to_string(i) + ".msi", others[i]), ViewOf(package))) << i;
    }
}

// Its second piece lies on pages that cannot be read, so that piece's write fails.
TEST_F(PackageFile, APackageNotWrittenWholeIsAFailure) {
    const std::string path = File("pkg.msi", "");
    std::unique_ptr<char, decltype(&Release)> pages(
        static_cast<char*>(VirtualAlloc(nullptr, 512 << 10, MEM_RESERVE, PAGE_NOACCESS)), Release);
    ASSERT_TRUE(VirtualAlloc(pages.get(), 256 << 10, MEM_COMMIT, PAGE_READWRITE));
    EXPECT_FALSE(WritePackage(path, {pages.get(), 512 << 10}));
}
