#include "core/system_files.h"

#include "common/utf8.h"
#include "core/unique_handles.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

HMODULE LoadSystemLibrary(const char* library) {
    // A full path: on systems without SetDefaultDllDirectories the search
    // would still include the launcher's own folder.
    std::wstring path;
    if (!Widen(SystemFilePath(library), path) || path.empty()) return nullptr;
    return LoadLibraryW(path.c_str());
}

DWORD WINAPI LoadInBackground(void* list) {
    for (auto library = static_cast<const char* const*>(list); *library != nullptr; ++library) {
        LoadSystemLibrary(*library);
    }
    return 0;
}

}  // namespace

std::string SystemFilePath(const char* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    std::string path;
    if (length == 0 || length >= MAX_PATH || !Narrow(folder, length, path)) return std::string();
    path += '\\';
    path += name;
    return Utf16Length(path) < MAX_PATH ? path : std::string();
}

void PreloadSystemLibraries(const char* const* libraries) {
    // The thread ends on its own; only its handle is released here.
    UniqueHandle thread(CreateThread(nullptr, 0, LoadInBackground, const_cast<const char**>(libraries), 0, nullptr));
}

FARPROC SystemLibraryFunction(const char* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    return module == nullptr ? nullptr : GetProcAddress(module, name);
}

}  // namespace ZORVANE
