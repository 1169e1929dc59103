#include "core/hardening.h"

#include <windows.h>

namespace ZORVANE {

namespace {

template <typename Function>
Function LookUpKernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    // The detour through a generic function pointer keeps the cast well defined.
    auto generic = reinterpret_cast<void (*)()>(GetProcAddress(kernel, name));
    return reinterpret_cast<Function>(generic);
}

}  // namespace

void RestrictDllSearchToSystemDirectory() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

    auto setDefault = LookUpKernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;

    // Older systems: at least take the current folder out of the search.
    auto setDllDirectory = LookUpKernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA");
    if (setDllDirectory != nullptr) setDllDirectory("");
}

}  // namespace ZORVANE
