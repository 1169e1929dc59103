// The control for the planting tests: does what the launcher does, without
// its protection, so that a plant it picks up proves the plant works.
//   plant_probe load NAME...   LoadLibraryA each name
//   plant_probe run NAME       ShellExecuteExA NAME by that name and wait
#include <windows.h>
#include <shellapi.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "load") == 0) {
        for (int i = 2; i < argc; ++i) LoadLibraryA(argv[i]);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) {
        SHELLEXECUTEINFOA request = {};
        request.cbSize = sizeof(request);
        request.fMask = SEE_MASK_NOCLOSEPROCESS;
        request.lpFile = argv[2];
        request.lpParameters = "/i \"probe.msi\"";
        request.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&request) || !request.hProcess) return 1;
        WaitForSingleObject(request.hProcess, INFINITE);
        return 0;
    }
    return 2;
}
