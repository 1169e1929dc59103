#include "launch/installer_start.h"

#include "common/payload.h"
#include "core/log.h"
#include "core/unique_handles.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

// The installer's own process, or the platform's reason there is none.
struct Started {
    UniqueHandle process;
    DWORD error;
};

// CreateProcessW, not the shell: msiexec is a program given by its full path,
// which the shell would start the same way after loading itself, user32 and
// COM (tens of milliseconds on Windows too).
Started Start(const wchar_t* program, std::wstring commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return {UniqueHandle(), GetLastError()};
    }
    CloseHandle(process.hThread);
    return {UniqueHandle(process.hProcess), ERROR_SUCCESS};
}

}  // namespace

LaunchResult StartAndWait(const std::string& program, const std::string& parameters) {
    const char* const name = program.c_str();
    std::wstring wideProgram, commandLine;
    if (!Widen(program, wideProgram) || !Widen('"' + program + "\" " + parameters, commandLine)) {
        WriteLog(kLaunchComponent, "Surprise", "installer options for %s are not valid text", name);
        return LaunchResult::Failed("the installer options are not valid text.", ERROR_NO_UNICODE_TRANSLATION);
    }
    // "<program>" <parameters> (what CommandLineUnits counts) must fit one
    // process command line: options are never passed on cut, whether or not
    // the platform would refuse them.
    if (!FitsCommandLine(commandLine.size())) {
        WriteLog(kLaunchComponent, "Surprise", "command line for %s too long: %lu characters", name,
                 static_cast<unsigned long>(commandLine.size()));
        return LaunchResult::Failed("the installer options are longer than a command line can be.",
                                    ERROR_FILENAME_EXCED_RANGE);
    }
    const Started installer = Start(wideProgram.c_str(), std::move(commandLine));
    if (!installer.process) {
        WriteLog(kLaunchComponent, "Surprise", "couldn't start %s", name);
        return LaunchResult::Failed(
            Formatted("%s could not be started: %s", name, SystemErrorText(installer.error).c_str()), installer.error);
    }
    DWORD exitCode = 0;
    if (WaitForSingleObject(installer.process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(installer.process.get(), &exitCode)) {
        const DWORD error = GetLastError();
        WriteLog(kLaunchComponent, "Surprise", "couldn't wait for %s", name);
        return LaunchResult::Failed(std::string(), error);  // the installer has shown itself
    }
    WriteLog(kLaunchComponent, "Events", "installer exited with code %lu", exitCode);
    return LaunchResult::Ended(exitCode);
}

}  // namespace ZORVANE
