// Choice of the command from the command line, and the process's exit status.
#pragma once

#include <memory>

#include "core/command.h"

namespace ZORVANE {

// A new update command when firstArgument is "-update" in any mix of ASCII
// case, otherwise nothing.
std::unique_ptr<Command> MakeUpdateCommand(const char* firstArgument);

// Runs the command that the arguments (UTF-16, as the C runtime split them)
// select and returns the process's exit code, as the command gives it
// (Command::ExitCode).
unsigned long RunLauncher(int argc, wchar_t** argv);

}  // namespace ZORVANE
