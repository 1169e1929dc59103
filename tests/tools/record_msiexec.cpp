// A recording stand-in for msiexec. Records are UTF-8. Writes, into %RECORD_DIR%, record-<pid>-<n>.txt
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

std::wstring Environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

// The path inside /i "..." of the command line, or empty.
std::wstring PackagePath(const std::wstring& parameters) {
    const std::wstring opening = L"/i \"";
    size_t start = parameters.find(opening);
    if (start == std::wstring::npos) return L"";
    start += opening.size();
    size_t end = parameters.find(L'"', start);
    return end == std::wstring::npos ? L"" : parameters.substr(start, end - start);
}

// Wine reuses process ids quickly: each run reserves a stem of its own.
std::wstring UniqueStem(const std::wstring& base) {
    for (unsigned n = 0;; ++n) {
        std::wstring stem = base + L"-" + std::to_wstring(n);
        HANDLE id = CreateFileW((stem + L".id").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
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
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    BOOL wow64 = FALSE;
    bool known = parent && QueryFullProcessImageNameW(parent, 0, path, &length) && IsWow64Process(parent, &wow64);
    if (parent) CloseHandle(parent);
    return known ? "parent=" + Utf8(path) + "\nparent_wow64=" + (wow64 ? "1" : "0") : "parent=?\nparent_wow64=?";
}

}  // namespace

int wmain() {
    const std::wstring folder = Environment(L"RECORD_DIR");
    if (folder.empty()) return 1620;
    const std::wstring stem = UniqueStem(folder + L"\\record-" + std::to_wstring(GetCurrentProcessId()));

    wchar_t ownPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    const wchar_t* parameters = SkipTokens(GetCommandLineW(), 1);
    const std::wstring package = PackagePath(parameters);
    if (!package.empty()) CopyFileW(package.c_str(), (stem + L".pkg").c_str(), FALSE);

    std::FILE* record = _wfopen((stem + L".tmp").c_str(), L"wb");
    if (!record) return 1621;
    const std::string text = "exe=" + Utf8(ownPath) + "\nparameters=" + Utf8(parameters) +
                             "\npackage=" + Utf8(package) + "\n" + ParentDescription() + "\n";
    std::fwrite(text.data(), 1, text.size(), record);
    std::fclose(record);
    // Complete records only: readers never see a half-written one.
    MoveFileW((stem + L".tmp").c_str(), (stem + L".txt").c_str());

    Sleep(static_cast<DWORD>(std::wcstoul(Environment(L"STANDIN_SLEEP_MS").c_str(), nullptr, 10)));
    // Ended as a process would end, with any 32-bit code.
    ExitProcess(static_cast<UINT>(std::wcstoul(Environment(L"STANDIN_EXIT_CODE").c_str(), nullptr, 10)));
}
