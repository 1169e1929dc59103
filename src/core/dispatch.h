// Choice of the command from the command line, and the process's exit status.
#pragma once

#include <memory>

#include "core/command.h"

namespace ZORVANE {

// A new update command when firstArgument is "-update" in any mix of ASCII
// case, otherwise nothing.
std::unique_ptr<Command> MakeUpdateCommand(const char* firstArgument);

// Runs the command that the arguments select and returns the exit status:
// 0 when the command did its job, 1 when it failed or its run was abandoned
// (then possibly through FailFast).
int RunLauncher(int argc, char** argv);

}  // namespace ZORVANE
