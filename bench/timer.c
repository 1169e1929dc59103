/* Times one Windows program from a Windows-side parent, as a person's shell
   or a deployment agent starts it: CreateProcessW to the end of the wait,
   measured with QueryPerformanceCounter.
     timer PROGRAM [ARGUMENTS...]
   The rest of the command line goes to the program unchanged. Prints
   "<milliseconds> <exit code>" on standard output and ends with 0, or with
   2 when the program could not be started. */
#include <windows.h>

#include <stdio.h>

/* The command line after the timer's own name, as it was written. */
static wchar_t* Tail(wchar_t* line) {
    int quoted = 0;
    for (; *line != L'\0'; ++line) {
        if (*line == L'"') quoted = !quoted;
        else if (!quoted && (*line == L' ' || *line == L'\t')) break;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

int main(void) {
    wchar_t* command = Tail(GetCommandLineW());
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process;
    LARGE_INTEGER frequency, start, end;
    DWORD code = 0;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "timer: cannot start %ls (error %lu)\n", command, GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("%.3f %lu\n", (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart, code);
    return 0;
}
