#include "core/dispatch.h"

#include <cwchar>

#include "common/ascii_case.h"
#include "core/log.h"
#include "core/wide_text.h"
#include "launch/default_action.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

namespace {

// The arguments in UTF-8; false when one holds UTF-16 that has no UTF-8 form.
bool ArgumentsInUtf8(wchar_t** first, wchar_t** end, ArgumentList& arguments) {
    for (wchar_t** argument = first; argument != end; ++argument) {
        arguments.emplace_back();
        if (!Narrow(*argument, std::wcslen(*argument), arguments.back())) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Command> MakeUpdateCommand(const char* firstArgument) {
    if (!EqualsIgnoringAsciiCase(firstArgument, "-update")) return nullptr;
    return std::make_unique<createNewWrapper>();
}

unsigned long RunLauncher(int argc, wchar_t** argv) {
    ArgumentList all;
    const bool readable = ArgumentsInUtf8(argv + (argc > 0 ? 1 : 0), argv + argc, all);
    std::unique_ptr<Command> command = all.empty() ? nullptr : MakeUpdateCommand(all.front().c_str());
    const bool updating = command != nullptr;  // the switch is consumed, not passed on
    if (!updating) command = std::make_unique<DefaultAction>();
    if (!readable) {
        // Passed on approximated, an argument could name another file or option.
        WriteLog(command->Name(), "Surprise", "couldn't read the command line");
        return command->ExitCode(false);
    }
    const ArgumentList arguments(all.begin() + (updating ? 1 : 0), all.end());
    const bool succeeded = command->Run(arguments);
    return command->ExitCode(succeeded);
}

}  // namespace ZORVANE
