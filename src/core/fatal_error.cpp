#include "core/fatal_error.h"

#include <windows.h>

namespace ZORVANE {

namespace {
const char* fileToDelete = nullptr;
HANDLE handleToClose = nullptr;
UINT fatalExitCode = 1;
}  // namespace

void SetFatalExitCode(unsigned long code) { fatalExitCode = code; }

void DeleteOnFatalError(const char* path) { fileToDelete = path; }

void CloseOnFatalError(void* handle) { handleToClose = handle; }

void FailFast() {
    if (handleToClose != nullptr) CloseHandle(handleToClose);
    if (fileToDelete != nullptr) DeleteFileA(fileToDelete);
    ExitProcess(fatalExitCode);
}

}  // namespace ZORVANE
