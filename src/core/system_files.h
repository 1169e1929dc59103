// Files of the system directory: their full paths, and functions of its
// libraries loaded when first needed rather than by the import table. Loading
// user32 costs more than extracting a small package, and a launch that shows
// no window never needs it.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

// The system directory in UTF-16, without a trailing backslash; empty when
// it is unknown. Looked up once per process: it does not change while the
// process runs.
const wchar_t* SystemDirectory();

// <system directory>\name in UTF-8; empty when the system directory is
// unknown or the path would not fit MAX_PATH. The directory is looked up
// once per process: it does not change while the process runs.
std::string SystemFilePath(const char* name);

// The address of name in the system directory's library, loaded once and
// kept for the life of the process, as an import would be; null when either
// is missing.
FARPROC SystemLibraryFunction(const char* library, const char* name);

// The same, typed: Function is the function's own type, as decltype gives it.
template <typename Function>
Function* LoadSystemFunction(const char* library, const char* name) {
    // The detour through a generic function pointer keeps the cast well defined.
    auto generic = reinterpret_cast<void (*)()>(SystemLibraryFunction(library, name));
    return reinterpret_cast<Function*>(generic);
}

}  // namespace ZORVANE
