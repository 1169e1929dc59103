// A recording stand-in for msiexec. Records are UTF-8. Writes, into %RECORD_DIR%, record-<pid>-<n>.txt
// (its own path, its parameters, the package path inside /i "...", the
// program that started it and whether that is a 32-bit process on a 64-bit
// system) and record-<pid>-<n>.pkg (a copy of the package).
// %STANDIN_SLEEP_MS% makes it wait before exiting; %STANDIN_EXIT_CODE% sets its exit status.
// With %RECORD_SEQUENCE%, a counter file that all runs share, the record says
// when the run started (start=<number>) and record-<pid>-<n>.end when it ended
// (end=<number>): the order of events, which wall clocks cannot show.
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

// The next number of the shared counter, "" without one. Runs take turns:
// the file is opened for no one else.
std::string NextInSequence() {
    const std::wstring path = Environment(L"RECORD_SEQUENCE");
    if (path.empty()) return "";
    HANDLE file;
    while ((file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)) ==
           INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_SHARING_VIOLATION) return "?";
        Sleep(1);
    }
    char text[24] = {};
    DWORD length = 0;
    bool done = ReadFile(file, text, sizeof(text) - 1, &length, nullptr);
    // Numbers only grow: the new one covers the old one whole.
    const std::string next = std::to_string(std::strtoull(text, nullptr, 10) + 1);
    done = done && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
           WriteFile(file, next.data(), static_cast<DWORD>(next.size()), &length, nullptr) && length == next.size();
    CloseHandle(file);
    return done ? next : "?";
}

// Writes text to path, whole or not at all, as a reader takes it.
bool WriteWhole(const std::wstring& path, const std::string& text) {
    const std::wstring partial = path + L".partial";
    std::FILE* file = _wfopen(partial.c_str(), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written && MoveFileW(partial.c_str(), path.c_str());
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
    const std::string started = NextInSequence();
    const std::wstring stem = UniqueStem(folder + L"\\record-" + std::to_wstring(GetCurrentProcessId()));

    wchar_t ownPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    const wchar_t* parameters = SkipTokens(GetCommandLineW(), 1);
    const std::wstring package = PackagePath(parameters);
    if (!package.empty()) CopyFileW(package.c_str(), (stem + L".pkg").c_str(), FALSE);

    const std::string text = "exe=" + Utf8(ownPath) + "\nparameters=" + Utf8(parameters) +
                             "\npackage=" + Utf8(package) + "\n" + ParentDescription() + "\n" +
                             (started.empty() ? "" : "start=" + started + "\n");
    // Complete records only: readers never see a half-written one.
    if (!WriteWhole(stem + L".txt", text)) return 1621;

    Sleep(static_cast<DWORD>(std::wcstoul(Environment(L"STANDIN_SLEEP_MS").c_str(), nullptr, 10)));
    if (!started.empty() && !WriteWhole(stem + L".end", "end=" + NextInSequence() + "\n")) return 1622;
    // Ended as a process would end, with any 32-bit code.
    ExitProcess(static_cast<UINT>(std::wcstoul(Environment(L"STANDIN_EXIT_CODE").c_str(), nullptr, 10)));
}
