/* The floor of a launch: a Windows GUI program that does nothing. Also used
   as the bench's msiexec stand-in, which must not touch the package. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
    (void)instance; (void)previous; (void)line; (void)show;
    return 0;
}
