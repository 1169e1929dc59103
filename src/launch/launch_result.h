// What each step of a launch comes to: the process's exit code, the Windows
// error behind a failure and what the person at the screen is told.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace ZORVANE {

// The component of the default command's log lines, and that command's name.
constexpr char kLaunchComponent[] = "DefaultAction";

// "Fatal error during installation": every deployment system counts it as a
// failure, and it is none of success (0), restart (3010, 1641) or retry later
// (1618).
constexpr unsigned long kLauncherFailure = 1603;

// A default one is a failure with nothing to tell: what a step that did its
// job leaves in its failure field.
struct LaunchResult {
    bool installerEnded = false;                // msiexec ran, and its exit code is exitCode
    unsigned long exitCode = kLauncherFailure;  // msiexec's own, or kLauncherFailure
    DWORD error = ERROR_SUCCESS;                // the platform's reason for a failure, when it gave one
    std::string text;                           // why nothing was installed, for the person; empty: nothing to show

    static LaunchResult Ended(unsigned long exitCode) { return {true, exitCode, ERROR_SUCCESS, std::string()}; }
    static LaunchResult Failed(std::string text, DWORD error = ERROR_SUCCESS) {
        return {false, kLauncherFailure, error, std::move(text)};
    }
};

}  // namespace ZORVANE
