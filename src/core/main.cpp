// Process entry: hardens the process, then hands the C runtime's argument
// vector, in UTF-16, to the command dispatch.
#include <windows.h>

#include <cstdlib>

#include "core/dispatch.h"
#include "core/hardening.h"

// Arguments such as *.msi reach the command unchanged.
extern "C" {
int _dowildcard = 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    ZORVANE::RestrictDllSearchToSystemDirectory();
    // The runtime hands all 32 bits to ExitProcess: codes such as 3010 or
    // 0xC0000005 reach the parent unchanged.
    return static_cast<int>(ZORVANE::RunLauncher(__argc, __wargv));
}
