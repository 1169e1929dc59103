// Who may own and change the package cache: its folders and files are made
// with an explicit owner and a protected DACL, and whatever is found there is
// judged before a package in it is run, since the installer may run it at a
// higher privilege than whoever could have put it there.
#pragma once

#include <windows.h>

#include "core/unique_handles.h"

namespace ZORVANE {

enum class CacheTrust {
    Trusted,
    ReparsePoint,    // a link or junction: it could lead anywhere
    ForeignOwner,    // owned by someone who is no trustee
    OthersMayWrite,  // someone who is no trustee may write, delete or change permissions
    WrongKind,       // a file where a folder belongs, or a folder where a file does
    Unreadable,      // its security could not be read
};

// What a log line says of a verdict.
const char* TrustProblem(CacheTrust trust);

// The accounts an object in the cache may belong to and be changed by:
// SYSTEM, Administrators and the owner of the system folder (on Windows,
// TrustedInstaller, who may replace msiexec itself); for a user's own cache
// also that user.
class CacheTrustees {
public:
    [[nodiscard]] bool Add(PSID sid);
    [[nodiscard]] bool AddWellKnown(WELL_KNOWN_SID_TYPE type);
    bool Has(PSID sid) const;

private:
    static constexpr int kMost = 4;
    BYTE sids_[kMost][SECURITY_MAX_SID_SIZE] = {};
    int count_ = 0;
};

// The verdict on a descriptor's owner and DACL, whatever its object is.
[[nodiscard]] CacheTrust JudgeDescriptor(PSECURITY_DESCRIPTOR descriptor, const CacheTrustees& trustees);

class CacheSecurity;
struct CacheSecurityResult {
    bool made = false;
    DWORD error = ERROR_SUCCESS;  // why not
};

// The security of one process's cache: the machine's (SYSTEM and
// Administrators have full control, Users may read) or the user's own
// (SYSTEM, Administrators and the user have full control).
class CacheSecurity {
public:
    [[nodiscard]] CacheSecurityResult Make(bool machine);

    // For CreateDirectoryW and CreateFileW: the owner and the protected DACL.
    SECURITY_ATTRIBUTES* ForNewObjects() { return &attributes_; }

    // The verdict on an open folder or file (READ_CONTROL and
    // FILE_READ_ATTRIBUTES, opened without following a reparse point) whose
    // path (UTF-16) is given too.
    [[nodiscard]] CacheTrust Judge(HANDLE object, const wchar_t* path, bool folder) const;

private:
    UniqueLocal descriptor_;
    SECURITY_ATTRIBUTES attributes_ = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    CacheTrustees trustees_;
};

}  // namespace ZORVANE
