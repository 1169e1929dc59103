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

}  // namespace

IntegrityClass ClassifyIntegrity(DWORD relativeIdentifier) {
    if (relativeIdentifier < kMediumIntegrityFloor) return IntegrityClass::Low;
    if (relativeIdentifier < kHighIntegrityFloor) return IntegrityClass::Medium;
    return IntegrityClass::High;
}

IntegrityLevel ReadIntegrityLevel(HANDLE token) {
    DWORD size = 0;
    if (GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    UniqueLocal block(LocalAlloc(LMEM_FIXED, size));
    if (!block || !GetTokenInformation(token, TokenIntegrityLevel, block.get(), size, &size)) {
        return std::nullopt;
    }
    PSID sid = static_cast<TOKEN_MANDATORY_LABEL*>(block.get())->Label.Sid;
    UCHAR count = *GetSidSubAuthorityCount(sid);
    if (count == 0) return std::nullopt;
    return *GetSidSubAuthority(sid, count - 1u);
}

IntegrityLevel ReadOwnIntegrityLevel() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_QUERY_SOURCE, &rawToken)) return std::nullopt;
    UniqueHandle token(rawToken);
    return ReadIntegrityLevel(token.get());
}

bool IsProcesPrivileged(IntegrityReader readLevel) {
    const IntegrityLevel level = readLevel();
    if (!level) return true;
    const IntegrityClass found = ClassifyIntegrity(*level);
    WriteLog("IsProcesPrivileged", "Event", "%s", IntegrityMessage(found));
    return found == IntegrityClass::High;
}

}  // namespace ZORVANE
