#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/unique_handles.h"
#include "launch/package_file.h"
#include "launch/package_prefetch.h"
#include "test_support.h"

using namespace ZORVANE;
using testing_support::PrivateTempFolder;

namespace {

// Large enough for the two-thread check.
std::string LargePackage() {
    std::string bytes(20 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 13);
    return bytes;
}

ResourceView ViewOf(const std::string& bytes) { return {bytes.data(), static_cast<DWORD>(bytes.size())}; }

UniqueHandle Hold(const std::string& path) {
    return AdoptFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

TEST(PackageFile, WritesIntoTheEmptyReservationAndHoldsIt) {
    PrivateTempFolder temp;
    const std::string path = temp.File("pkg.msi");
    const std::string package = LargePackage();
    testing_support::WriteFileBytes(path, "");

    UniqueHandle hold = WriteAndHoldPackage(path, ViewOf(package));
    ASSERT_TRUE(hold);
    EXPECT_TRUE(HoldsPackage(hold.get(), ViewOf(package)));
    // Held: nobody may write or delete it.
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
}

TEST(PackageFile, RefusesAReservationThatIsGoneOrWasWrittenInto) {
    PrivateTempFolder temp;
    const std::string package = "package bytes";
    EXPECT_FALSE(WriteAndHoldPackage(temp.File("gone.msi"), ViewOf(package)));

    const std::string filled = temp.File("filled.msi");
    testing_support::WriteFileBytes(filled, package + " and what someone left behind");
    EXPECT_FALSE(WriteAndHoldPackage(filled, ViewOf(package)));
}

TEST(PackageFile, CheckFindsAChangedByteInEitherHalf) {
    PrivateTempFolder temp;
    const std::string package = LargePackage();
    for (size_t at : {size_t{0}, package.size() / 2 - 1, package.size() / 2 + 7, package.size() - 1}) {
        std::string changed = package;
        changed[at] ^= 1;
        const std::string path = temp.File("changed" + std::to_string(at) + ".msi");
        testing_support::WriteFileBytes(path, changed);
        UniqueHandle hold = Hold(path);
        ASSERT_TRUE(hold);
        EXPECT_FALSE(HoldsPackage(hold.get(), ViewOf(package))) << "byte " << at;
    }
}

TEST(PackagePrefetch, ReadsEveryPageAndStopsAtAnUnreadableOneWithoutFaulting) {
    const std::string package = LargePackage();
    UniqueHandle whole = PrefetchPackage(ViewOf(package));
    ASSERT_TRUE(whole);

    // Committed for the first MiB only: the rest faults on reading.
    constexpr DWORD kSize = 20 << 20;
    struct Release {
        void operator()(void* region) const { VirtualFree(region, 0, MEM_RELEASE); }
    };
    std::unique_ptr<void, Release> region(VirtualAlloc(nullptr, kSize, MEM_RESERVE, PAGE_READWRITE));
    ASSERT_TRUE(region);
    ASSERT_NE(VirtualAlloc(region.get(), 1 << 20, MEM_COMMIT, PAGE_READWRITE), nullptr);
    UniqueHandle broken = PrefetchPackage({static_cast<const char*>(region.get()), kSize});
    ASSERT_TRUE(broken);

    DWORD wholeCode = 0, brokenCode = 0;
    ASSERT_EQ(WaitForSingleObject(whole.get(), 10000), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(broken.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(whole.get(), &wholeCode) && wholeCode == 1);
    EXPECT_TRUE(GetExitCodeThread(broken.get(), &brokenCode) && brokenCode == 0);
    EXPECT_FALSE(PrefetchPackage(ViewOf("small package"))) << "no thread for what is read at once";
}
