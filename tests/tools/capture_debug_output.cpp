// Runs a program as a debuggee and records its debug-output lines exactly.
//   capture_debug_output LOGFILE PROGRAM [ARGUMENTS...]
// The rest of the command line after LOGFILE is passed on verbatim. Each line
// goes to LOGFILE followed by one NUL byte; an unhandled exception is recorded
// as "<crash 0xCODE>" and ends the debuggee. The last record is "<exit CODE>",
// the debuggee's exit code in decimal: Wine passes only its low byte to Linux.
// %LAUNCHER_TMP%, when set, becomes the debuggee's TMP and TEMP: Wine sets
// both from the prefix's registry, so they cannot be passed in from outside.
// %DEBUGGEE_ARGUMENTS%, when set, is added after one blank to the debuggee's
// command line and taken out of its environment: a command line as a
// deployment system writes it, quotes and all, which the debuggee's runtime
// splits (Wine quotes each argument it is given from Linux).
// Paths and arguments go through in UTF-16, whatever the ANSI code page.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line_tail.h"

namespace {

HANDLE logFile = INVALID_HANDLE_VALUE;

void Record(const std::string& line) {
    DWORD written = 0;
    std::string record = line + '\0';
    WriteFile(logFile, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

// The bytes as the program wrote them; a line written in UTF-16 in UTF-8.
std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    if (info.fUnicode) {
        std::vector<wchar_t> units(info.nDebugStringLength + 1u, L'\0');
        ReadProcessMemory(process, info.lpDebugStringData, units.data(), info.nDebugStringLength * 2u, nullptr);
        return Utf8(units.data());
    }
    std::vector<char> bytes(info.nDebugStringLength + 1u, '\0');
    ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), info.nDebugStringLength, nullptr);
    return std::string(bytes.data());  // up to the terminator
}

// Breakpoints (the loader's, and a WoW64 process's own) are the debugger's to pass over.
bool IsBreakpoint(DWORD code) { return code == EXCEPTION_BREAKPOINT || code == 0x4000001F; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: capture_debug_output LOGFILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    logFile =
        CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == INVALID_HANDLE_VALUE) return 3;

    if (const wchar_t* temporary = _wgetenv(L"LAUNCHER_TMP")) {
        SetEnvironmentVariableW(L"TMP", temporary);
        SetEnvironmentVariableW(L"TEMP", temporary);
    }
    std::wstring commandLine = SkipTokens(GetCommandLineW(), 2);
    if (const wchar_t* written = _wgetenv(L"DEBUGGEE_ARGUMENTS")) {
        commandLine += L' ';
        commandLine += written;
        SetEnvironmentVariableW(L"DEBUGGEE_ARGUMENTS", nullptr);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s: %lu\n", Utf8(commandLine).c_str(), GetLastError());
        return 4;
    }

    DWORD exitCode = 0;
    for (bool running = true; running;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, INFINITE)) return 5;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT: Record(ReadDebugString(process.hProcess, event.u.DebugString)); break;
            case EXCEPTION_DEBUG_EVENT: {
                const EXCEPTION_RECORD& exception = event.u.Exception.ExceptionRecord;
                if (IsBreakpoint(exception.ExceptionCode)) break;
                if (event.u.Exception.dwFirstChance) {
                    continueStatus = DBG_EXCEPTION_NOT_HANDLED;
                    break;
                }
                char crash[64];
                std::snprintf(crash, sizeof crash, "<crash 0x%08lX>", exception.ExceptionCode);
                Record(crash);
                TerminateProcess(process.hProcess, 0xDEAD);
                break;
            }
            // The debugger owns these file handles.
            case CREATE_PROCESS_DEBUG_EVENT: CloseHandle(event.u.CreateProcessInfo.hFile); break;
            case LOAD_DLL_DEBUG_EVENT: CloseHandle(event.u.LoadDll.hFile); break;
            case EXIT_PROCESS_DEBUG_EVENT:
                exitCode = event.u.ExitProcess.dwExitCode;
                running = false;
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    Record("<exit " + std::to_string(exitCode) + ">");
    CloseHandle(logFile);
    return static_cast<int>(exitCode);
}
