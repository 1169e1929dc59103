// A DLL that must never be loaded: when it is, it leaves a marker file
// %PLANT_MARKER_DIR%\<PLANT_NAME>-<pid>.txt naming the process that loaded it.
// Built once per planted name (PLANT_NAME, e.g. "uxtheme").
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("PLANT_MARKER_DIR", folder, MAX_PATH)) return TRUE;
    char path[2 * MAX_PATH] = {};
    std::snprintf(path, sizeof path, "%s\\%s-%lu.txt", folder, PLANT_NAME, GetCurrentProcessId());
    char host[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, host, MAX_PATH);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, host, lstrlenA(host), &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
