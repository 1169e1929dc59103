// A bench-only probe that repeats the steps of a launch, one by one, with a
// clock around each, and tries alternatives to each step. It carries its
// package as resource "MSI" 104, stamped into a copy of it by the bench.
//
//   launch_probe.exe STEP...
//
// Steps (each printed as "name microseconds"):
//   entry          time from the process's creation to main (image mapping,
//                  DLL loading, C runtime start)
//   user32 shell32 shlwapi ole32
//                  loading a DLL the launcher imports (or that its msiexec
//                  start pulls in), when this probe has not loaded it yet
//   resource       FindResource + LoadResource + LockResource + SizeofResource
//   touch          reading one byte of every page of the package
//   fwrite         fopen("w+b") of a new file + one fwrite of the whole
//                  package + fclose
//   truncate       the same into an existing empty file, as the launcher did
//                  (its reservation): fopen("w+b") truncates it
//   whole          fopen("r+b") of the empty file + one fwrite + fclose
//   pieces         fopen("r+b") of the empty file + 256 KiB fwrites + fclose
//                  (what the launcher does)
//   readback1      after "pieces" (not timed): holding the file and comparing
//                  it with the package, 256 KiB at a time, in one thread
//   readback2      the same split between two threads (what the launcher does)
//   writefile      CreateFile + one WriteFile of the whole package
//   writefile-temp the same with FILE_ATTRIBUTE_TEMPORARY, the size set first
//                  and 1 MiB writes
//   copyrange      reading the package straight from the probe's own file
//                  (ReadFile at its offset, 1 MiB at a time) into the new file
//   shellexecute   ShellExecuteEx "open" msiexec + wait (what the launcher does)
//   createprocess  CreateProcess msiexec + wait
// Written files go to %TMP% as probe-<step>.msi and are deleted at once; the
// deletion is timed too and printed as "<step>-delete microseconds".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

LARGE_INTEGER frequency;

double Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

const char* packageData = nullptr;
DWORD packageSize = 0;

std::string TempPath(const char* step) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "probe-" + step + ".msi";
}

std::string SystemProgram() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\msiexec.exe";
}

bool LoadPackage() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(104), "MSI");
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded) return false;
    packageData = static_cast<const char*>(LockResource(loaded));
    packageSize = SizeofResource(module, resource);
    return packageData != nullptr;
}

constexpr DWORD kPiece = 256 << 10;

// An empty file, created as the launcher's reservation is.
bool Reserve(const std::string& path) {
    HANDLE reservation = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reservation == INVALID_HANDLE_VALUE) return false;
    CloseHandle(reservation);
    return true;
}

bool WriteWithStdio(const std::string& path, const char* mode, DWORD piece) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) return false;
    bool written = true;
    for (DWORD done = 0; written && done < packageSize;) {
        DWORD chunk = packageSize - done < piece ? packageSize - done : piece;
        written = std::fwrite(packageData + done, 1, chunk, file) == chunk;
        done += chunk;
    }
    return std::fclose(file) == 0 && written;
}

struct Range {
    const std::string* path;
    DWORD begin, end;
    bool matches;
};

DWORD WINAPI CompareRange(void* context) {
    auto* range = static_cast<Range*>(context);
    HANDLE file = CreateFileA(range->path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    static thread_local char buffer[kPiece];
    LARGE_INTEGER position;
    position.QuadPart = range->begin;
    range->matches = file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    for (DWORD done = range->begin; range->matches && done < range->end;) {
        DWORD chunk = range->end - done < kPiece ? range->end - done : kPiece;
        DWORD read = 0;
        range->matches = ReadFile(file, buffer, chunk, &read, nullptr) && read == chunk &&
                         std::memcmp(buffer, packageData + done, chunk) == 0;
        done += chunk;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
}

bool ReadBack(const std::string& path, bool split) {
    Range lower = {&path, 0, split ? packageSize / 2 / kPiece * kPiece : packageSize, false};
    Range upper = {&path, lower.end, packageSize, true};
    HANDLE worker = split ? CreateThread(nullptr, 0, CompareRange, &upper, 0, nullptr) : nullptr;
    CompareRange(&lower);
    if (worker) {
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
    }
    return lower.matches && upper.matches;
}

bool WriteWithWriteFile(const std::string& path, bool temporary) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              temporary ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    if (temporary) {
        LARGE_INTEGER size;
        size.QuadPart = packageSize;
        ok = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
             SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
        for (DWORD done = 0; ok && done < packageSize;) {
            DWORD chunk = packageSize - done < (1u << 20) ? packageSize - done : (1u << 20);
            DWORD written = 0;
            ok = WriteFile(file, packageData + done, chunk, &written, nullptr) && written == chunk;
            done += chunk;
        }
    } else {
        DWORD written = 0;
        ok = WriteFile(file, packageData, packageSize, &written, nullptr) && written == packageSize;
    }
    return CloseHandle(file) && ok;
}

// The file offset of the package inside the probe's own file, from the
// section that holds its resource data.
bool PackageFileOffset(DWORD& offset) {
    const char* base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    DWORD rva = static_cast<DWORD>(packageData - base);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData) {
            offset = rva - section->VirtualAddress + section->PointerToRawData;
            return true;
        }
    }
    return false;
}

bool CopyRange(const std::string& path) {
    DWORD offset = 0;
    if (!PackageFileOffset(offset)) return false;
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    HANDLE source = CreateFileA(own, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE target = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY, nullptr);
    bool ok = source != INVALID_HANDLE_VALUE && target != INVALID_HANDLE_VALUE &&
              SetFilePointer(source, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset;
    static char buffer[1 << 20];
    for (DWORD done = 0; ok && done < packageSize;) {
        DWORD chunk = packageSize - done < sizeof buffer ? packageSize - done : sizeof buffer;
        DWORD read = 0, written = 0;
        ok = ReadFile(source, buffer, chunk, &read, nullptr) && read == chunk &&
             WriteFile(target, buffer, chunk, &written, nullptr) && written == chunk;
        done += chunk;
    }
    if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
    if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
    return ok;
}

using ShellExecuteExAFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);

bool StartWithShellExecute(const std::string& package) {
    // Loaded here so that the probe itself does not import the shell.
    auto shellExecute = reinterpret_cast<ShellExecuteExAFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA("shell32.dll"), "ShellExecuteExA")));
    if (!shellExecute) return false;
    const std::string program = SystemProgram();
    const std::string parameters = "/i \"" + package + "\" /qn";
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = "open";
    request.lpFile = program.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    if (!shellExecute(&request) || !request.hProcess) return false;
    WaitForSingleObject(request.hProcess, INFINITE);
    CloseHandle(request.hProcess);
    return true;
}

bool StartWithCreateProcess(const std::string& package) {
    const std::string program = SystemProgram();
    std::string commandLine = "\"" + program + "\" /i \"" + package + "\" /qn";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

double SinceCreation() {
    FILETIME creation, exitTime, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = creation.dwLowDateTime;
    a.HighPart = creation.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return static_cast<double>(b.QuadPart - a.QuadPart) / 10.0;
}

}  // namespace

int main(int argc, char** argv) {
    const double entry = SinceCreation();
    QueryPerformanceFrequency(&frequency);
    if (!LoadPackage()) {
        std::printf("no package\n");
        return 2;
    }
    std::printf("package-bytes %lu\n", static_cast<unsigned long>(packageSize));
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const std::string path = TempPath(step.c_str());
        bool ok = true;
        double start = Now();
        if (step == "entry") {
            std::printf("entry %.0f\n", entry);
            continue;
        } else if (step == "user32" || step == "shell32" || step == "shlwapi" || step == "ole32") {
            ok = LoadLibraryA((step + ".dll").c_str()) != nullptr;
        } else if (step == "resource") {
            ok = LoadPackage();
        } else if (step == "touch") {
            volatile unsigned sum = 0;
            for (DWORD at = 0; at < packageSize; at += 4096) sum = sum + static_cast<unsigned char>(packageData[at]);
        } else if (step == "fwrite") {
            ok = WriteWithStdio(path, "w+b", packageSize);
        } else if (step == "truncate") {
            ok = Reserve(path) && WriteWithStdio(path, "w+b", packageSize);
        } else if (step == "whole") {
            ok = Reserve(path) && WriteWithStdio(path, "r+b", packageSize);
        } else if (step == "pieces") {
            ok = Reserve(path) && WriteWithStdio(path, "r+b", kPiece);
        } else if (step == "readback1" || step == "readback2") {
            ok = Reserve(path) && WriteWithStdio(path, "r+b", kPiece);
            start = Now();
            ok = ok && ReadBack(path, step == "readback2");
        } else if (step == "writefile") {
            ok = WriteWithWriteFile(path, false);
        } else if (step == "writefile-temp") {
            ok = WriteWithWriteFile(path, true);
        } else if (step == "copyrange") {
            ok = CopyRange(path);
        } else if (step == "shellexecute") {
            ok = StartWithShellExecute(TempPath("x"));
        } else if (step == "createprocess") {
            ok = StartWithCreateProcess(TempPath("x"));
        } else {
            std::printf("unknown step %s\n", step.c_str());
            return 2;
        }
        const double elapsed = Now() - start;
        std::printf("%s %.0f%s\n", step.c_str(), elapsed, ok ? "" : " FAILED");
        const double deleting = Now();
        if (DeleteFileA(path.c_str())) std::printf("%s-delete %.0f\n", step.c_str(), Now() - deleting);
    }
    return 0;
}
