// Starts a command line with this process's token lowered to an integrity
// level, and prints the level the child really got ("child-level=0xRID"),
// since a platform may accept the change and ignore it.
//   lowered_start medium|low COMMAND_LINE...
// Exits with the child's status, or 90+ when it could not be started.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../command_line_tail.h"

int main(int argc, char** argv) {
    if (argc < 3) return 90;
    HANDLE own = nullptr, lowered = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) ||
        !DuplicateTokenEx(own, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary,
                          &lowered)) {
        return 91;
    }
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    bool low = std::strcmp(argv[1], "low") == 0;
    DWORD rid = low ? SECURITY_MANDATORY_LOW_RID : SECURITY_MANDATORY_MEDIUM_RID;
    PSID sid = nullptr;
    AllocateAndInitializeSid(&authority, 1, rid, 0, 0, 0, 0, 0, 0, 0, &sid);
    TOKEN_MANDATORY_LABEL label = {{sid, SE_GROUP_INTEGRITY}};
    if (!SetTokenInformation(lowered, TokenIntegrityLevel, &label, sizeof label + GetLengthSid(sid))) {
        return 92;
    }

    std::string commandLine = SkipTokens(GetCommandLineA(), 2);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessAsUserA(lowered, nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &startup, &child)) {
        return 93;
    }
    HANDLE token = nullptr;
    alignas(8) BYTE buffer[256];
    DWORD size = 0;
    if (OpenProcessToken(child.hProcess, TOKEN_QUERY, &token) &&
        GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) {
        PSID got = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        DWORD level = *GetSidSubAuthority(got, *GetSidSubAuthorityCount(got) - 1u);
        std::printf("child-level=0x%lX\n", level);
    }
    std::fflush(stdout);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 94;
    GetExitCodeProcess(child.hProcess, &status);
    return static_cast<int>(status);
}
