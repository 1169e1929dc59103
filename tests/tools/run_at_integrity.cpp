// Starts a program at another integrity level, as a standard user's shell
// would: this process's token, duplicated, with its label set to LEVEL,
// given to CreateProcessAsUserW.
//   run_at_integrity LEVEL PROGRAM [ARGUMENTS...]
// LEVEL is the label's relative identifier (0x2000 is medium). The rest of
// the command line is passed on verbatim. Exits with the program's exit code.
// Writes to stderr the level the new token reads back and the level of the
// started process ("token 0x2000 child 0x2000"); a failing call is named
// there with its error, and ends the tool with 3.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "command_line_tail.h"

namespace {

struct Handle {
    HANDLE value = nullptr;
    ~Handle() {
        if (value) CloseHandle(value);
    }
};

int Failed(const char* call) {
    std::fprintf(stderr, "%s failed: %lu\n", call, GetLastError());
    return 3;
}

// The token's label's last sub-authority, or -1.
long long LevelOf(HANDLE token) {
    alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) return -1;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    return count == 0 ? -1 : static_cast<long long>(*GetSidSubAuthority(sid, count - 1u));
}

long long LevelOfProcess(HANDLE process) {
    Handle token;
    return OpenProcessToken(process, TOKEN_QUERY, &token.value) ? LevelOf(token.value) : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_at_integrity LEVEL PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const DWORD level = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 0));
    Handle own, token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &own.value)) {
        return Failed("OpenProcessToken");
    }
    const DWORD access = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT;
    if (!DuplicateTokenEx(own.value, access, nullptr, SecurityImpersonation, TokenPrimary, &token.value)) {
        return Failed("DuplicateTokenEx");
    }
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&authority, 1, level, 0, 0, 0, 0, 0, 0, 0, &sid)) {
        return Failed("AllocateAndInitializeSid");
    }
    TOKEN_MANDATORY_LABEL label = {};
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    label.Label.Sid = sid;
    const BOOL set = SetTokenInformation(token.value, TokenIntegrityLevel, &label, sizeof label + GetLengthSid(sid));
    FreeSid(sid);
    if (!set) return Failed("SetTokenInformation");

    std::wstring commandLine = SkipTokens(GetCommandLineW(), 2);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessAsUserW(token.value, nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              nullptr, &startup, &started)) {
        return Failed("CreateProcessAsUserW");
    }
    Handle process{started.hProcess}, thread{started.hThread};
    std::fprintf(stderr, "token 0x%llx child 0x%llx\n", LevelOf(token.value), LevelOfProcess(process.value));
    std::fflush(stderr);
    ResumeThread(thread.value);
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.value, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.value, &exitCode)) {
        return Failed("waiting");
    }
    return static_cast<int>(exitCode);
}
