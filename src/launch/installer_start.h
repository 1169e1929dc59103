// Starting the installer and waiting for its end.
#pragma once

#include <string>

#include "launch/launch_result.h"

namespace ZORVANE {

// Starts program (its full path, UTF-8) with "<program>" <parameters> as its
// command line and returns when it has ended, with its exit code; logs the
// code, or the step that failed in a line of its own.
[[nodiscard]] LaunchResult StartAndWait(const std::string& program, const std::string& parameters);

}  // namespace ZORVANE
