// What the launcher does when the C++ runtime cannot go on (out of memory, a
// broken library precondition): the product is built without exceptions, so
// such a failure ends the process at once, cleanly.
#pragma once

namespace ZORVANE {

// Closes and deletes what is registered, and ends the process with the exit
// code of a run abandoned on the way (1 unless set otherwise).
[[noreturn]] void FailFast();

// The exit code FailFast ends the process with.
void SetFatalExitCode(unsigned long code);

// The file FailFast deletes: the extracted package while one exists. The
// path must stay valid until it is unregistered with nullptr.
void DeleteOnFatalError(const char* path);

// A handle FailFast closes first, since it keeps that file from being
// deleted; unregistered with nullptr.
void CloseOnFatalError(void* handle);

}  // namespace ZORVANE
