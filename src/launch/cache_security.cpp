#include "launch/cache_security.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>

#include "core/system_files.h"

namespace ZORVANE {

namespace {

// Whatever lets a trustee's package be changed, replaced or given away.
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                        FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                        GENERIC_ALL | MAXIMUM_ALLOWED;

bool GrantsChange(const ACE_HEADER* header, const CacheTrustees& trustees) {
    switch (header->AceType) {
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: return false;  // they only take rights away
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
            return (ace->Mask & kChangingRights) != 0 &&
                   !trustees.Has(const_cast<PSID>(static_cast<const void*>(&ace->SidStart)));
        }
        default: break;
    }
    // Any other kind of grant is not read further: it counts as anyone's.
    return (reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->Mask & kChangingRights) != 0;
}

struct OwnUser {
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    PSID sid = nullptr;
};

bool ReadOwnUser(OwnUser& user, DWORD& error) {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        error = GetLastError();
        return false;
    }
    const UniqueHandle token(rawToken);
    DWORD size = sizeof(user.buffer);
    if (!GetTokenInformation(token.get(), TokenUser, user.buffer, size, &size)) {
        error = GetLastError();
        return false;
    }
    user.sid = reinterpret_cast<TOKEN_USER*>(user.buffer)->User.Sid;
    return true;
}

// Whoever owns the system folder can already replace msiexec.
bool AddSystemFolderOwner(CacheTrustees& trustees) {
    const wchar_t* const folder = SystemDirectory();
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (*folder == L'\0' || GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                                  nullptr, nullptr, &raw) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocal descriptor(raw);
    return owner != nullptr && trustees.Add(owner);
}

constexpr std::size_t kLongestRights = 512;

// SDDL of the owner and DACL new objects get: the machine's cache is read
// by Users, a user's cache belongs to the user.
bool NewObjectRights(bool machine, PSID user, wchar_t (&rights)[kLongestRights]) {
    LPWSTR raw = nullptr;
    if (!machine && !ConvertSidToStringSidW(user, &raw)) return false;
    const UniqueLocal sid(raw);
    const wchar_t* const owner = machine ? (IsWellKnownSid(user, WinLocalSystemSid) ? L"SY" : L"BA") : raw;
    const int length = _snwprintf(rights, kLongestRights, L"O:%lsD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;%ls;;;%ls)",
                                  owner, machine ? L"0x1200a9" : L"FA", machine ? L"BU" : raw);
    return length > 0 && static_cast<std::size_t>(length) < kLongestRights;
}

}  // namespace

const char* TrustProblem(CacheTrust trust) {
    switch (trust) {
        case CacheTrust::Trusted: return "";
        case CacheTrust::ReparsePoint: return "it is a reparse point";
        case CacheTrust::ForeignOwner: return "its owner is neither SYSTEM nor Administrators";
        case CacheTrust::OthersMayWrite: return "its DACL lets others write, delete or change permissions";
        case CacheTrust::WrongKind: return "it is of the wrong kind";
        case CacheTrust::Unreadable: break;
    }
    return "its security cannot be read";
}

bool CacheTrustees::Add(PSID sid) {
    if (Has(sid)) return true;
    if (count_ == kMost || !CopySid(SECURITY_MAX_SID_SIZE, sids_[count_], sid)) return false;
    ++count_;
    return true;
}

bool CacheTrustees::AddWellKnown(WELL_KNOWN_SID_TYPE type) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    return CreateWellKnownSid(type, nullptr, sid, &size) && Add(sid);
}

bool CacheTrustees::Has(PSID sid) const {
    for (int i = 0; i < count_; ++i) {
        if (EqualSid(const_cast<BYTE*>(sids_[i]), sid)) return true;
    }
    return false;
}

CacheTrust JudgeDescriptor(PSECURITY_DESCRIPTOR descriptor, const CacheTrustees& trustees) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == nullptr) return CacheTrust::Unreadable;
    if (!trustees.Has(owner)) return CacheTrust::ForeignOwner;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return CacheTrust::Unreadable;
    // No DACL at all grants everyone everything.
    if (!present || dacl == nullptr) return CacheTrust::OthersMayWrite;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return CacheTrust::Unreadable;
        if (GrantsChange(static_cast<const ACE_HEADER*>(ace), trustees)) return CacheTrust::OthersMayWrite;
    }
    return CacheTrust::Trusted;
}

CacheSecurityResult CacheSecurity::Make(bool machine) {
    OwnUser user;
    DWORD error = ERROR_SUCCESS;
    if (!ReadOwnUser(user, error)) return {false, error};
    if (!trustees_.AddWellKnown(WinLocalSystemSid) || !trustees_.AddWellKnown(WinBuiltinAdministratorsSid) ||
        (!machine && !trustees_.Add(user.sid))) {
        return {false, GetLastError()};
    }
    // Unknown, it trusts no one more.
    AddSystemFolderOwner(trustees_);
    // Protected DACLs: nothing of the folder above (ProgramData lets Users
    // create and write) is inherited.
    wchar_t rights[kLongestRights];
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!NewObjectRights(machine, user.sid, rights) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(rights, SDDL_REVISION_1, &raw, nullptr)) {
        return {false, GetLastError()};
    }
    descriptor_.reset(raw);
    attributes_.lpSecurityDescriptor = raw;
    return {true, ERROR_SUCCESS};
}

CacheTrust CacheSecurity::Judge(HANDLE object, const wchar_t* path, bool folder) const {
    // By name too: Wine shows a link to a folder only there.
    const DWORD named = GetFileAttributesW(path);
    BY_HANDLE_FILE_INFORMATION information;
    if (named == INVALID_FILE_ATTRIBUTES || !GetFileInformationByHandle(object, &information)) {
        return CacheTrust::Unreadable;
    }
    if (((named | information.dwFileAttributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return CacheTrust::ReparsePoint;
    if (((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) return CacheTrust::WrongKind;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &raw) != ERROR_SUCCESS) {
        return CacheTrust::Unreadable;
    }
    const UniqueLocal descriptor(raw);
    return JudgeDescriptor(raw, trustees_);
}

}  // namespace ZORVANE
