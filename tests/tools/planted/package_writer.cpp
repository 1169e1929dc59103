// Plays another process of the same user rewriting the extracted package:
// opens PATH for writing as soon as it exists, waits until the launcher has
// written past the first buffer, overwrites the start with "FOREIGN" and
// closes again.
//   package_writer PATH TIMEOUT_MS
// Prints "caught" when it got in, "missed" when it never could.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const DWORD deadline = GetTickCount() + std::strtoul(argv[2], nullptr, 10);
    HANDLE file = INVALID_HANDLE_VALUE;
    while (file == INVALID_HANDLE_VALUE && GetTickCount() < deadline) {
        file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    LARGE_INTEGER size = {};
    while (file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size) && size.QuadPart < 65536 &&
           GetTickCount() < deadline) {
    }
    DWORD written = 0;
    bool caught = size.QuadPart >= 65536 && WriteFile(file, "FOREIGN", 7, &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    std::puts(caught ? "caught" : "missed");
    return caught ? 0 : 1;
}
