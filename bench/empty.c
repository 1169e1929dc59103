/* The bench's msiexec: a Windows GUI program that does nothing, so that a
   launch and its floor (floor.c) both measure what comes before and after
   the installer, not the installer. It must not touch the package. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
    (void)instance; (void)previous; (void)line; (void)show;
    return 0;
}
