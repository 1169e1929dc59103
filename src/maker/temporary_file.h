// The maker's temporary files (one per output), created with mkstemp and removed when a
// signal ends the process (Ctrl-C, a build system's SIGTERM, a CPU or file
// size limit, an abort), so that no half-written file is left behind.
#pragma once

#include <string>

namespace ZORVANE {

// Creates a file from pathTemplate (ending in "XXXXXX"), puts its name in
// path and returns its descriptor, or -1 with errno set. Until
// ForgetTemporaryFile, every signal whose default action ends the process
// (but SIGKILL, SIGILL and SIGTRAP) removes it before the process ends as
// the signal asks; one ignored, or handled by a sanitizer, is left so. At
// most a few exist at once; past that, -1 with EMFILE.
int CreateTemporaryFile(const std::string& pathTemplate, std::string& path);

// The file at path was moved or removed: a signal must not remove anything there now.
void ForgetTemporaryFile(const std::string& path);

}  // namespace ZORVANE
