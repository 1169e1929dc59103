// What a launch hands msiexec and whether a person watches it, chosen once
// from the option line or, without one, the launcher's own arguments. No
// platform header.
#pragma once

#include <string>
#include <vector>

namespace ZORVANE {

struct LaunchPlan {
    std::string options;       // msiexec's options after the package
    bool optionsFromResource;  // the option line: no per-user choice is added to it
    bool silent;               // no interface asked for: a failure is logged, never shown
};

// The option line (UTF-8, empty when there is none) when it is not empty,
// otherwise the arguments, each as forwarded and followed by one blank.
// Whether the run is silent is read from the options chosen, never from
// arguments an option line overrides.
[[nodiscard]] LaunchPlan MakeLaunchPlan(const std::string& optionLine, const std::vector<std::string>& arguments);

}  // namespace ZORVANE
