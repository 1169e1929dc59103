#include "launch/integrity.h"

#include "core/log.h"
#include "core/unique_handles.h"

namespace ZORVANE {

namespace {

constexpr DWORD kMediumIntegrityFloor = 0x2000;
constexpr DWORD kHighIntegrityFloor = 0x3000;

const char* IntegrityMessage(IntegrityClass level) {
    switch (level) {
        case IntegrityClass::Low: return "Process has Low Integrity";
        case IntegrityClass::Medium: return "Process has Medium Integrity";
        case IntegrityClass::High: break;
    }
    return "Process has High Integrity";
}

// The label's last sub-authority; false when the token carries no integrity
// level or the label has no sub-authority.
bool ReadIntegrityLevel(HANDLE token, DWORD& level) {
    DWORD size = 0;
    if (GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    UniqueLocal block(LocalAlloc(LMEM_FIXED, size));
    if (!block || !GetTokenInformation(token, TokenIntegrityLevel, block.get(), size, &size)) {
        return false;
    }
    PSID sid = static_cast<TOKEN_MANDATORY_LABEL*>(block.get())->Label.Sid;
    UCHAR count = *GetSidSubAuthorityCount(sid);
    if (count == 0) return false;
    level = *GetSidSubAuthority(sid, count - 1u);
    return true;
}

}  // namespace

IntegrityClass ClassifyIntegrity(DWORD relativeIdentifier) {
    if (relativeIdentifier < kMediumIntegrityFloor) return IntegrityClass::Low;
    if (relativeIdentifier < kHighIntegrityFloor) return IntegrityClass::Medium;
    return IntegrityClass::High;
}

bool IsProcesPrivileged() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_QUERY_SOURCE, &rawToken)) {
        return true;
    }
    UniqueHandle token(rawToken);
    DWORD level = 0;
    if (!ReadIntegrityLevel(token.get(), level)) return true;

    IntegrityClass found = ClassifyIntegrity(level);
    WriteLog("IsProcesPrivileged", "Event", "%s", IntegrityMessage(found));
    return found == IntegrityClass::High;
}

}  // namespace ZORVANE
