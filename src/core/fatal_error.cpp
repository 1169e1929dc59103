#include "core/fatal_error.h"

#include "core/log.h"

namespace ZORVANE {

namespace {
const DeletedOnFatalError* fileToDelete = nullptr;
const ClosedOnFatalError* handleToClose = nullptr;
const FatalOnUnreadablePage* pageGuard = nullptr;
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

FatalOnUnreadablePage::FatalOnUnreadablePage(const char* component, std::string message)
    : component_(component), message_(std::move(message)), previous_(pageGuard) {
    pageGuard = this;
    handler_ = AddVectoredExceptionHandler(1, Handle);
}

FatalOnUnreadablePage::~FatalOnUnreadablePage() {
    if (handler_ != nullptr) RemoveVectoredExceptionHandler(handler_);
    pageGuard = previous_;
}

LONG CALLBACK FatalOnUnreadablePage::Handle(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_IN_PAGE_ERROR || pageGuard == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    // The third parameter is the status of the read that failed.
    const auto status = static_cast<unsigned long>(record->NumberParameters > 2 ? record->ExceptionInformation[2] : 0);
    WriteLog(pageGuard->component_, "Surprise", "%s, status 0x%08lx", pageGuard->message_.c_str(), status);
    FailFast();
}

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
