// Files of the system directory: their full paths, and functions of its
// libraries loaded when first needed rather than by the import table. Loading
// user32 (which shell32 and shlwapi import too) costs more than extracting a
// small package, and a launch that shows no window needs it only to start the
// installer.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

// <system directory>\name in UTF-8; empty when the system directory is
// unknown or the path would not fit MAX_PATH.
std::string SystemFilePath(const char* name);

// Starts loading libraries (a null-terminated list with static storage), in
// order, on a second thread, so that their start-up overlaps the caller's
// work. Best effort: without the thread, each is loaded when a function of it
// is asked for.
void PreloadSystemLibraries(const char* const* libraries);

// The address of name in the system directory's library, loaded once and
// kept for the life of the process, as an import would be; null when either
// is missing. A preload still running is waited for (the loader's own lock).
FARPROC SystemLibraryFunction(const char* library, const char* name);

// The same, typed: Function is the function's own type, as decltype gives it.
template <typename Function>
Function* LoadSystemFunction(const char* library, const char* name) {
    // The detour through a generic function pointer keeps the cast well defined.
    auto generic = reinterpret_cast<void (*)()>(SystemLibraryFunction(library, name));
    return reinterpret_cast<Function*>(generic);
}

}  // namespace ZORVANE
