#include "core/system_files.h"

#include "common/utf8.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

// Filled on first use. Only the launcher's main thread asks for system files.
wchar_t systemDirectory[MAX_PATH];
UINT systemDirectoryLength = 0;

HMODULE LoadSystemLibrary(const char* library) {
    // A full path: on systems without SetDefaultDllDirectories the search
    // would still include the launcher's own folder.
    std::wstring path;
    if (!Widen(SystemFilePath(library), path) || path.empty()) return nullptr;
    return LoadLibraryW(path.c_str());
}

}  // namespace

const wchar_t* SystemDirectory() {
    if (systemDirectoryLength == 0) {
        const UINT length = GetSystemDirectoryW(systemDirectory, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return L"";
        systemDirectoryLength = length;
    }
    return systemDirectory;
}

std::string SystemFilePath(const char* name) {
    if (*SystemDirectory() == L'\0') return std::string();
    std::string path;
    if (!Narrow(systemDirectory, systemDirectoryLength, path)) return std::string();
    path += '\\';
    path += name;
    return Utf16Length(path) < MAX_PATH ? path : std::string();
}

FARPROC SystemLibraryFunction(const char* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    return module == nullptr ? nullptr : GetProcAddress(module, name);
}

}  // namespace ZORVANE
