#include "core/hardening.h"

#include "core/system_files.h"

namespace ZORVANE {

void RestrictDllSearchToSystemDirectory() {
    // Looked up: kernel32 is loaded already, and systems without these calls still start.
    using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
    using SetDllDirectoryFunction = BOOL WINAPI(LPCWSTR);

    auto setDefault = LoadSystemFunction<SetDefaultDllDirectoriesFunction>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;

    // Older systems: at least take the current folder out of the search.
    auto setDllDirectory = LoadSystemFunction<SetDllDirectoryFunction>("kernel32.dll", "SetDllDirectoryW");
    if (setDllDirectory != nullptr) setDllDirectory(L"");
}

}  // namespace ZORVANE
