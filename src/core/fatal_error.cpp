#include "core/fatal_error.h"

#include <windows.h>

namespace ZORVANE {

namespace {
const char* fileToDelete = nullptr;
}  // namespace

void DeleteOnFatalError(const char* path) { fileToDelete = path; }

void FailFast() {
    if (fileToDelete != nullptr) DeleteFileA(fileToDelete);
    ExitProcess(1);
}

}  // namespace ZORVANE
