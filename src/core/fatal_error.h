// What the launcher does when the C++ runtime cannot go on (out of memory, a
// broken library precondition): the product is built without exceptions, so
// such a failure ends the process at once, cleanly.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

// Closes and deletes what is registered, and ends the process with the exit
// code of a run abandoned on the way (1 unless set otherwise).
[[noreturn]] void FailFast();

// The exit code FailFast ends the process with.
void SetFatalExitCode(unsigned long code);

// While it lives, FailFast deletes the file at path (UTF-16, as the platform
// takes it): the extracted package while one exists.
class DeletedOnFatalError {
public:
    explicit DeletedOnFatalError(std::wstring path);
    ~DeletedOnFatalError();
    DeletedOnFatalError(const DeletedOnFatalError&) = delete;
    DeletedOnFatalError& operator=(const DeletedOnFatalError&) = delete;

private:
    std::wstring path_;
    const DeletedOnFatalError* previous_;
    friend void FailFast();
};

// While it lives, FailFast first closes handle, since it keeps the file
// registered above from being deleted.
class ClosedOnFatalError {
public:
    explicit ClosedOnFatalError(HANDLE handle);
    ~ClosedOnFatalError();
    ClosedOnFatalError(const ClosedOnFatalError&) = delete;
    ClosedOnFatalError& operator=(const ClosedOnFatalError&) = delete;

private:
    HANDLE handle_;
    const ClosedOnFatalError* previous_;
    friend void FailFast();
};

// While it lives, a page that cannot be read in (of a file behind a mapped
// view, or of the launcher's own image on a share that went away) ends the
// process through FailFast, after one log line (component - Surprise message,
// status 0x...), where it would otherwise crash and leave its files behind.
class FatalOnUnreadablePage {
public:
    FatalOnUnreadablePage(const char* component, std::string message);
    ~FatalOnUnreadablePage();
    FatalOnUnreadablePage(const FatalOnUnreadablePage&) = delete;
    FatalOnUnreadablePage& operator=(const FatalOnUnreadablePage&) = delete;

private:
    static LONG CALLBACK Handle(EXCEPTION_POINTERS* exception);
    const char* component_;
    std::string message_;
    const FatalOnUnreadablePage* previous_;
    void* handler_;
};

}  // namespace ZORVANE
