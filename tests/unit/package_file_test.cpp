// The extracted package: written through the reservation, held against
// writers and deletion, and read back so that no byte another process put in
// reaches msiexec.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/unique_handles.h"
#include "launch/extraction.h"
#include "launch/package_file.h"
#include "launch/read_back.h"
#include "launch/tmp_file_generator.h"
#include "test_folder.h"

using namespace ZORVANE;

namespace {

// Large enough for the two-thread read-back and for more than one view.
const std::string& LargePackage() {
    static const std::string bytes = [] {
        std::string made(40 << 20, '\0');
        for (size_t i = 0; i < made.size(); ++i) made[i] = static_cast<char>(i * 2654435761u >> 13);
        return made;
    }();
    return bytes;
}

void Release(char* pages) { VirtualFree(pages, 0, MEM_RELEASE); }

ResourceView ViewOf(const std::string& bytes) { return {bytes.data(), static_cast<DWORD>(bytes.size())}; }

UniqueFile OpenForReading(const std::string& path) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Takes every free span of addresses until released: what a 32-bit process
// beside a large package may come to.
class AddressSpaceTaken {
public:
    AddressSpaceTaken() {
        for (SIZE_T size = SIZE_T{1} << 30; size >= (64 << 10); size /= 2) {
            while (void* span = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) spans_.push_back(span);
        }
    }
    ~AddressSpaceTaken() {
        for (void* span : spans_) VirtualFree(span, 0, MEM_RELEASE);
    }

private:
    std::vector<void*> spans_;
};

}  // namespace

TEST(PackageFile, ExtractedPackageIsHeldAgainstWritersAndDeletionAndDeletedAfter) {
    std::string path;
    {
        TmpFileReservation reserved =
            TmpFileGenerator::Create(true, "UNIT" + std::to_string(GetCurrentProcessId()), "pkg.msi");
        ASSERT_TRUE(reserved.generator);
        path = reserved.generator->GetFileName();
        ExtractedPackage extracted = ExtractAndHold(*reserved.generator, ViewOf(LargePackage()));
        ASSERT_TRUE(extracted.hold);
        const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, all, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_FALSE(DeleteFileA(path.c_str()));
        EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
        // The installer opens it as readers do.
        EXPECT_TRUE(OpenForReading(path));
        EXPECT_EQ(ReadBackPackage(extracted.hold.get(), ViewOf(LargePackage())).outcome, ReadBack::Same);
    }
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Anything left in the file, or changed in either half or view, fails the read-back.
TEST(PackageFile, ReadBackRefusesAnyOtherContent) {
    TestFolder folder("unit-package");
    const std::string& package = LargePackage();
    std::vector<std::string> others = {package + "left behind", package.substr(0, package.size() - 1)};
    for (size_t at :
         {size_t{0}, package.size() / 2 - 1, package.size() / 2 + 7, (size_t{32} << 20) + 3, package.size() - 1}) {
        others.push_back(package);
        others.back()[at] ^= 1;
    }
    for (size_t i = 0; i < others.size(); ++i) {
        const HoldResult held = HoldWrittenPackage(folder.File(std::to_string(i) + ".msi", others[i]), ViewOf(package));
        EXPECT_FALSE(held.hold) << i;
        EXPECT_EQ(held.readBack.outcome, ReadBack::Different) << i;
    }
    const HoldResult same = HoldWrittenPackage(folder.File("same.msi", package), ViewOf(package));
    EXPECT_TRUE(same.hold);
    const HoldResult gone = HoldWrittenPackage(folder.path() + "gone.msi", ViewOf(package));
    EXPECT_EQ(gone.openError, ERROR_FILE_NOT_FOUND);
}

// A writable view outlives the handle it was made from, and would change
// the file after the read-back: while one exists, the file cannot be held.
TEST(PackageFile, AWritableViewMadeBeforeTheHoldKeepsItFromBeingTaken) {
    TestFolder folder("unit-view");
    const std::string path = folder.File("pkg.msi", LargePackage());
    UniqueView view;
    {
        const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        const UniqueHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READWRITE, 0, 0, nullptr));
        view.reset(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        ASSERT_TRUE(view);
    }
    const HoldResult held = HoldWrittenPackage(path, ViewOf(LargePackage()));
    EXPECT_FALSE(held.hold);
    EXPECT_EQ(held.openError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    view.reset();
    EXPECT_TRUE(HoldWrittenPackage(path, ViewOf(LargePackage())).hold);
}

// No room to compare in tells nothing about the file: it is no changed package.
TEST(PackageFile, NoAddressSpaceToCompareInIsNoChange) {
    TestFolder folder("unit-no-memory");
    const UniqueFile file = OpenForReading(folder.File("pkg.msi", LargePackage()));
    ReadBackResult found = {ReadBack::Same, ERROR_SUCCESS};
    {
        const AddressSpaceTaken taken;
        found = ReadBackPackage(file.get(), ViewOf(LargePackage()));
    }
    EXPECT_EQ(found.outcome, ReadBack::NoMemory);
    EXPECT_EQ(found.error, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(ReadBackPackage(file.get(), ViewOf(LargePackage())).outcome, ReadBack::Same);
}

// Its second piece lies on pages that cannot be read, so that piece's write fails.
TEST(PackageFile, APackageNotWrittenWholeIsAFailure) {
    TestFolder folder("unit-short");
    UniqueFile file(CreateFileA(folder.Path("pkg.msi").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    std::unique_ptr<char, decltype(&Release)> pages(
        static_cast<char*>(VirtualAlloc(nullptr, 512 << 10, MEM_RESERVE, PAGE_NOACCESS)), Release);
    ASSERT_TRUE(VirtualAlloc(pages.get(), 256 << 10, MEM_COMMIT, PAGE_READWRITE));
    EXPECT_NE(WritePackage(file.get(), {pages.get(), 512 << 10}), static_cast<DWORD>(ERROR_SUCCESS));
}
