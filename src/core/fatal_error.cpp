#include "core/fatal_error.h"

namespace ZORVANE {

namespace {
const DeletedOnFatalError* fileToDelete = nullptr;
const ClosedOnFatalError* handleToClose = nullptr;
UINT fatalExitCode = 1;
}  // namespace

void SetFatalExitCode(unsigned long code) { fatalExitCode = code; }

DeletedOnFatalError::DeletedOnFatalError(std::wstring path) : path_(std::move(path)), previous_(fileToDelete) {
    fileToDelete = this;
}

DeletedOnFatalError::~DeletedOnFatalError() { fileToDelete = previous_; }

ClosedOnFatalError::ClosedOnFatalError(HANDLE handle) : handle_(handle), previous_(handleToClose) {
    handleToClose = this;
}

ClosedOnFatalError::~ClosedOnFatalError() { handleToClose = previous_; }

void FailFast() {
    for (const ClosedOnFatalError* entry = handleToClose; entry != nullptr; entry = entry->previous_) {
        CloseHandle(entry->handle_);
    }
    for (const DeletedOnFatalError* entry = fileToDelete; entry != nullptr; entry = entry->previous_) {
        DeleteFileW(entry->path_.c_str());
    }
    ExitProcess(fatalExitCode);
}

}  // namespace ZORVANE
