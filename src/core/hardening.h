// Process hardening applied before any command runs.
#pragma once

namespace ZORVANE {

// Restricts DLL loading to the system directory, so that a DLL planted beside
// a downloaded launcher or in the current folder is never loaded. Looked up at
// run time: systems without the call still start.
void RestrictDllSearchToSystemDirectory();

}  // namespace ZORVANE
