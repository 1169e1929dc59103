#include "core/dispatch.h"

#include "launch/default_action.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Locale-free on purpose: the switch must not depend on the user's code page.
bool EqualsIgnoringAsciiCase(const char* text, const char* lowercase) {
    for (; *text != '\0' && *lowercase != '\0'; ++text, ++lowercase) {
        if (LowerAscii(*text) != *lowercase) return false;
    }
    return *text == *lowercase;
}

}  // namespace

std::unique_ptr<Command> MakeUpdateCommand(const char* firstArgument) {
    if (!EqualsIgnoringAsciiCase(firstArgument, "-update")) return nullptr;
    return std::make_unique<createNewWrapper>();
}

unsigned long RunLauncher(int argc, char** argv) {
    std::unique_ptr<Command> command;
    ArgumentList arguments;
    if (argc > 1) {
        command = MakeUpdateCommand(argv[1]);
        arguments.assign(argv + (command ? 2 : 1), argv + argc);
    }
    if (!command) command = std::make_unique<DefaultAction>();
    const bool succeeded = command->Run(arguments);
    return command->ExitCode(succeeded);
}

}  // namespace ZORVANE
