// Process entry: hardens the process, then hands the C runtime's argument
// vector to the command dispatch.
#include <windows.h>

#include <cstdlib>

#include "core/dispatch.h"
#include "core/hardening.h"

// Arguments such as *.msi reach the command unchanged.
extern "C" {
int _dowildcard = 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ZORVANE::RestrictDllSearchToSystemDirectory();
    return ZORVANE::RunLauncher(__argc, __argv);
}
