// The rule a cached package is judged by before an installer may run it:
// descriptors built in memory, since Wine keeps no file security of its own,
// and the cache's own folders as the launcher makes them.
#include <gtest/gtest.h>
#include <sddl.h>

#include "launch/cache_security.h"
#include "test_folder.h"

namespace ZORVANE {
namespace {

constexpr wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";

struct Descriptor {
    explicit Descriptor(const wchar_t* sddl) {
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &raw, nullptr));
    }
    ~Descriptor() { LocalFree(raw); }
    PSECURITY_DESCRIPTOR raw = nullptr;
};

CacheTrustees Trustees(bool withUser) {
    CacheTrustees trustees;
    EXPECT_TRUE(trustees.AddWellKnown(WinLocalSystemSid));
    EXPECT_TRUE(trustees.AddWellKnown(WinBuiltinAdministratorsSid));
    if (withUser) {
        PSID user = nullptr;
        EXPECT_TRUE(ConvertStringSidToSidW(kUser, &user));
        EXPECT_TRUE(trustees.Add(user));
        LocalFree(user);
    }
    return trustees;
}

TEST(CacheSecurity, OnlyTrusteesOwnOrMayChangeWhatIsRun) {
    const struct {
        const wchar_t* sddl;
        bool withUser;
        CacheTrust trust;
    } cases[] = {
        // What the launcher makes: the machine's cache, and a user's.
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", false, CacheTrust::Trusted},
        {L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", false, CacheTrust::Trusted},
        {L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-1-2-3-1001)", true, CacheTrust::Trusted},
        // Denials and reading grant nothing; an empty DACL grants no one anything.
        {L"O:BAD:(D;;FA;;;WD)(A;;FRFX;;;WD)", false, CacheTrust::Trusted},
        {L"O:BAD:", false, CacheTrust::Trusted},
        // A user who planted it, or anyone else, owns it.
        {L"O:BUD:P(A;;FA;;;SY)", false, CacheTrust::ForeignOwner},
        {L"O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;SY)", false, CacheTrust::ForeignOwner},
        {L"O:WDD:P(A;;FA;;;SY)", true, CacheTrust::ForeignOwner},
        // Each right that changes it, given to someone else.
        {L"O:BAD:(A;;FA;;;BU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;FW;;;AU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;0x2;;;WD)", false, CacheTrust::OthersMayWrite},   // FILE_WRITE_DATA, FILE_ADD_FILE
        {L"O:BAD:(A;;0x4;;;BU)", false, CacheTrust::OthersMayWrite},   // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
        {L"O:BAD:(A;;0x40;;;BU)", false, CacheTrust::OthersMayWrite},  // FILE_DELETE_CHILD
        {L"O:BAD:(A;;SD;;;BU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;WD;;;BU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;WO;;;BU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;GW;;;BU)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;GA;;;BU)", false, CacheTrust::OthersMayWrite},
        // Inherited by what is made inside: a new entry's creator would own it.
        {L"O:BAD:(A;OICIIO;GA;;;CO)", false, CacheTrust::OthersMayWrite},
        // The user is a trustee of the user's own cache only.
        {L"O:BAD:(A;;FA;;;S-1-5-21-1-2-3-1001)", false, CacheTrust::OthersMayWrite},
        {L"O:BAD:(A;;FA;;;S-1-5-21-1-2-3-1001)", true, CacheTrust::Trusted},
        // No DACL at all lets everyone do everything.
        {L"O:BA", false, CacheTrust::OthersMayWrite},
        // No owner is no trustee.
        {L"D:P(A;;FA;;;SY)", false, CacheTrust::Unreadable},
    };
    for (const auto& c : cases) {
        const Descriptor descriptor(c.sddl);
        EXPECT_EQ(JudgeDescriptor(descriptor.raw, Trustees(c.withUser)), c.trust) << testing::PrintToString(c.sddl);
    }
}

// The cache's own folders and files, made as the launcher makes them and
// read back by the platform, are trusted; a folder is no file.
TEST(CacheSecurity, WhatTheCacheMakesIsTrusted) {
    TestFolder folder("cache-security");
    for (const bool machine : {true, false}) {
        CacheSecurity security;
        ASSERT_TRUE(security.Make(machine).made);
        const std::string name = machine ? "machine" : "user";
        const std::string created = folder.Path(name);
        std::wstring path(created.begin(), created.end());
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), security.ForNewObjects())) << GetLastError();
        HANDLE opened =
            CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        ASSERT_NE(opened, INVALID_HANDLE_VALUE);
        EXPECT_EQ(security.Judge(opened, path.c_str(), true), CacheTrust::Trusted) << name;
        EXPECT_EQ(security.Judge(opened, path.c_str(), false), CacheTrust::WrongKind) << name;
        CloseHandle(opened);
    }
}

}  // namespace
}  // namespace ZORVANE
