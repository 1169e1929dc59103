// A recording stand-in for msiexec. Writes, into %RECORD_DIR%, record-<pid>-<n>.txt
// (its own path, its parameters, the package path inside /i "...", the
// program that started it and whether that is a 32-bit process on a 64-bit
// system) and record-<pid>-<n>.pkg (a copy of the package).
// %STANDIN_SLEEP_MS% makes it wait before exiting; %STANDIN_EXIT_CODE% sets its exit status.
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
        HANDLE id = CreateFileA((stem + ".id").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (id != INVALID_HANDLE_VALUE) CloseHandle(id);
        if (id != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return stem;
    }
}

// "parent=<path>\nparent_wow64=<1 if a 32-bit process on a 64-bit system>", "?" when unknown.
std::string ParentDescription() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD parentId = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) parentId = entry.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    HANDLE parent = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parentId);
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
    const char* parameters = SkipTokens(GetCommandLineA(), 1);
    const std::string package = PackagePath(parameters);
    if (!package.empty()) CopyFileA(package.c_str(), (stem + ".pkg").c_str(), FALSE);

    std::FILE* record = std::fopen((stem + ".tmp").c_str(), "wb");
    if (!record) return 1621;
    std::fprintf(record, "exe=%s\nparameters=%s\npackage=%s\n%s\n", ownPath, parameters, package.c_str(),
                 ParentDescription().c_str());
    std::fclose(record);
    // Complete records only: readers never see a half-written one.
    MoveFileA((stem + ".tmp").c_str(), (stem + ".txt").c_str());

    Sleep(static_cast<DWORD>(std::strtoul(Environment("STANDIN_SLEEP_MS").c_str(), nullptr, 10)));
    // Ended as a process would end, with any 32-bit code.
    ExitProcess(static_cast<UINT>(std::strtoul(Environment("STANDIN_EXIT_CODE").c_str(), nullptr, 10)));
}
