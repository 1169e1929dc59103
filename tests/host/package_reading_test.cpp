// The package read by libmsi in a child process: what the child writes back
// is believed only whole, the open descriptor is read rather than the path,
// and packages that crash libmsi end only the child.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>

#include "maker/isolated_package_info.h"
#include "maker/package_info_answer.h"
#include "maker/unique_fd.h"
#include "test_package.h"

namespace ZORVANE {
namespace test {
namespace {

using Bytes = std::vector<std::uint8_t>;

PackageInfo FullInfo() {
    PackageInfo info;
    info.productName = std::string("Учёт\0склада", 20);
    info.productVersion = "2.10.345";
    info.manufacturer = std::string(70000, 'M');
    info.productCode = "{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}";
    info.allUsers = "2";
    info.platformAndLanguages = "Intel;1049";
    info.packageCode = kPackageCode;
    info.subject = kSubject;
    info.comments = kComments;
    return info;
}

bool Same(const PackageInfo& a, const PackageInfo& b) {
    return a.productName == b.productName && a.productVersion == b.productVersion && a.manufacturer == b.manufacturer &&
           a.productCode == b.productCode && a.upgradeCode == b.upgradeCode && a.allUsers == b.allUsers &&
           a.installPerUser == b.installPerUser && a.platformAndLanguages == b.platformAndLanguages &&
           a.packageCode == b.packageCode && a.subject == b.subject && a.comments == b.comments;
}

TEST(PackageAnswer, WhatTheChildWritesIsBelievedOnlyWhole) {
    const PackageInfo info = FullInfo();
    const std::string full = EncodePackageAnswer(&info);
    PackageInfo read;
    ASSERT_EQ(DecodePackageAnswer(full, read), PackageAnswer::Read);
    EXPECT_TRUE(Same(read, FullInfo()));
    const std::string none = EncodePackageAnswer(nullptr);
    EXPECT_EQ(DecodePackageAnswer(none, read), PackageAnswer::NotDatabase);

    std::string lengthPastTheEnd = full;
    lengthPastTheEnd.replace(5, 4, "\xFF\xFF\xFF\xFF");
    std::vector<std::string> garbled = {full + "x", none + "x", "XMPI" + full.substr(4), full.substr(0, 4) + "Q",
                                        lengthPastTheEnd};
    for (std::size_t length = 0; length < full.size(); length += length < 200 ? 1 : 997) {
        garbled.push_back(full.substr(0, length));
    }
    for (const std::string& answer : garbled) {
        PackageInfo kept;
        kept.productName = "kept";
        EXPECT_EQ(DecodePackageAnswer(answer, kept), PackageAnswer::Garbled) << answer.size();
        EXPECT_EQ(kept.productName, "kept") << answer.size();
    }
}

UniqueFd OpenPackage(const std::string& path) { return UniqueFd(open(path.c_str(), O_RDONLY | O_CLOEXEC)); }

// The package as opened, not the one at its path by the time it is read.
TEST(PackageInfoApart, TheOpenDescriptorIsReadNotThePath) {
    const std::string path = Write(MakePackage(kCyrillic, 1251));
    const UniqueFd opened = OpenPackage(path);
    const std::string other = Write(MakePackage(kCjk, 936));
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    const off_t position = lseek(opened.get(), 0, SEEK_CUR);
    PackageInfo info;
    EXPECT_EQ(ReadPackageInfoApart(opened.get(), info).status, PackageInfoStatus::Read);
    EXPECT_EQ(info.productName, kCyrillic.at("ProductName"));
    EXPECT_EQ(info.comments, kComments);  // the summary's words cross from the reader too
    EXPECT_EQ(lseek(opened.get(), 0, SEEK_CUR), position);
    unlink(path.c_str());

    const std::string junk = Write(Bytes(4096, 7));
    PackageInfo none;
    EXPECT_EQ(ReadPackageInfoApart(OpenPackage(junk).get(), none).status, PackageInfoStatus::NotDatabase);
    unlink(junk.c_str());
}

// As the campaign made them: bits flipped in, or the end cut off, a wixl
// package. About one in twenty crashes libmsi; the test must meet such
// cases, and survive them.
TEST(PackageInfoApart, PackagesThatCrashLibmsiEndOnlyTheReader) {
    const Bytes sound = MakeWixlPackage();
    ASSERT_FALSE(sound.empty());
    std::mt19937 random(28);
    std::map<PackageInfoStatus, int> seen;
    for (int i = 0; i < 160; ++i) {
        Bytes package = sound;
        if (i % 2 == 0) {
            for (unsigned flips = 1 + random() % 8; flips > 0; --flips) {
                package[random() % package.size()] ^= static_cast<std::uint8_t>(1u << random() % 8);
            }
        } else {
            package.resize(random() % package.size());
        }
        const std::string path = Write(package);
        PackageInfo info;
        info.productName = "kept";
        const PackageInfoResult result = ReadPackageInfoApart(OpenPackage(path).get(), info);
        unlink(path.c_str());
        ++seen[result.status];
        EXPECT_NE(result.status, PackageInfoStatus::NoProcess) << i;
        EXPECT_TRUE(result.status == PackageInfoStatus::Read || info.productName == "kept") << i;
    }
    EXPECT_GT(seen[PackageInfoStatus::Crashed], 0) << "no case crashed libmsi";
    EXPECT_GT(seen[PackageInfoStatus::NotDatabase], 0);
    EXPECT_GT(seen[PackageInfoStatus::Read], 0);
}

}  // namespace
}  // namespace test
}  // namespace ZORVANE
