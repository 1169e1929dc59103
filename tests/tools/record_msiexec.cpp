// A recording stand-in for msiexec. Writes, into %RECORD_DIR%, record-<pid>-<n>.txt
// (its own path, its command line, the package it was given and how it found
// it, the program that started it and whether that is a 32-bit process on a
// 64-bit system) and record-<pid>-<n>.pkg (a copy of the package). %STANDIN_SLEEP_MS% makes it
// wait before exiting; %STANDIN_EXIT_CODE% sets its exit status.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "command_line_tail.h"

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The path inside /i "..." of the command line, or empty.
std::string PackagePath(const std::string& parameters) {
    const std::string opening = "/i \"";
    size_t start = parameters.find(opening);
    if (start == std::string::npos) return "";
    start += opening.size();
    size_t end = parameters.find('"', start);
    return end == std::string::npos ? "" : parameters.substr(start, end - start);
}

// Wine reuses process ids quickly: each run reserves a stem of its own.
std::string UniqueStem(const std::string& base) {
    for (unsigned n = 0;; ++n) {
        std::string stem = base + "-" + std::to_string(n);
        HANDLE id = CreateFileA((stem + ".id").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (id != INVALID_HANDLE_VALUE) {
            CloseHandle(id);
            return stem;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return stem;
    }
}

DWORD ParentProcessId() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    return parent;
}

// "<path> <1 if WoW64>" of the parent process, or "? ?" when it is gone.
std::string ParentDescription() {
    HANDLE parent = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ParentProcessId());
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    BOOL wow64 = FALSE;
    bool known = parent && QueryFullProcessImageNameA(parent, 0, path, &length) && IsWow64Process(parent, &wow64);
    if (parent) CloseHandle(parent);
    return known ? std::string("parent=") + path + "\nparent_wow64=" + (wow64 ? "1" : "0") : "parent=?\nparent_wow64=?";
}

}  // namespace

int main() {
    const std::string folder = Environment("RECORD_DIR");
    if (folder.empty()) return 1620;
    const std::string stem = UniqueStem(folder + "\\record-" + std::to_string(GetCurrentProcessId()));

    char ownPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    const char* commandLine = GetCommandLineA();
    const std::string package = PackagePath(SkipTokens(commandLine, 1));

    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    bool exists = !package.empty() &&
                  GetFileAttributesExA(package.c_str(), GetFileExInfoStandard, &attributes);
    bool copied = exists && CopyFileA(package.c_str(), (stem + ".pkg").c_str(), FALSE);

    std::FILE* record = std::fopen((stem + ".tmp").c_str(), "wb");
    if (!record) return 1621;
    std::fprintf(record, "exe=%s\ncommand_line=%s\nparameters=%s\npackage=%s\nexists=%d\nsize=%lu\ncopied=%d\n%s\n",
                 ownPath, commandLine, SkipTokens(commandLine, 1), package.c_str(), exists ? 1 : 0,
                 exists ? attributes.nFileSizeLow : 0ul, copied ? 1 : 0, ParentDescription().c_str());
    std::fclose(record);
    // Complete records only: readers never see a half-written one.
    MoveFileA((stem + ".tmp").c_str(), (stem + ".txt").c_str());

    const std::string sleep = Environment("STANDIN_SLEEP_MS");
    if (!sleep.empty()) Sleep(static_cast<DWORD>(std::strtoul(sleep.c_str(), nullptr, 10)));
    const std::string exitCode = Environment("STANDIN_EXIT_CODE");
    // Ended as a process would end, with any 32-bit code.
    ExitProcess(static_cast<UINT>(std::strtoul(exitCode.c_str(), nullptr, 10)));
}
