#include <gtest/gtest.h>

#include <string>

#include "core/unique_handles.h"
#include "launch/package_file.h"
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
