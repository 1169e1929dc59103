/* The floor of a launch: what the launcher's job costs at the least, done by
   a Windows program the way the launcher does it. It copies the package into
   the temporary folder, runs msiexec /i on the copy, waits and deletes it.
     floor PACKAGE
   Ends with msiexec's exit code, or with 1603 when a step failed. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR line, int show) {
    wchar_t copy[MAX_PATH], program[MAX_PATH], command[3 * MAX_PATH];
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process;
    DWORD code = 1603;
    (void)instance; (void)previous; (void)show;
    if (__argc != 2 || !GetTempPathW(MAX_PATH, copy) || !GetSystemDirectoryW(program, MAX_PATH)) return 1603;
    lstrcatW(copy, L"floor.msi");
    lstrcatW(program, L"\\msiexec.exe");
    if (!CopyFileW(__wargv[1], copy, TRUE)) return 1603;
    /* kernel32's own string calls: user32 would cost the floor its load. */
    lstrcpyW(command, L"\"");
    lstrcatW(lstrcatW(lstrcatW(lstrcatW(command, program), L"\" /i \""), copy), L"\"");
    if (CreateProcessW(program, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileW(copy);
    (void)line;
    return (int)code;
}
