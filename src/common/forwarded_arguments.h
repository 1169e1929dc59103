// How the launcher's own arguments reach msiexec when it has no option line.
// No platform header.
#pragma once

#include <string>
#include <vector>

namespace ZORVANE {

// One argument as msiexec gets it. The runtime's split has removed the quotes
// a deployment system put around a value with a blank; they are put back:
// - no blank (space or tab), or a double quote already in it: unchanged, so
//   INSTALLDIR=\"C:\Program Files\X\" keeps working as it always has;
// - starting with / or -: unchanged, a group of switches such as
//   "/qn REBOOT=ReallySuppress";
// - NAME=value, NAME a property name: NAME="value", msiexec's own form;
// - anything else: "value" (a log path, a transform list).
// msiexec takes no backslash as an escape: a trailing \ stays inside.
[[nodiscard]] std::string ForwardedArgument(const std::string& argument);

// The options taken from the command line: each argument as forwarded,
// followed by one blank.
[[nodiscard]] std::string OptionsFromArguments(const std::vector<std::string>& arguments);

}  // namespace ZORVANE
