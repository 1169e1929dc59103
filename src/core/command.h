// The command abstraction: one command runs once per process.
#pragma once

#include <string>
#include <vector>

namespace ZORVANE {

// The command-line arguments handed to a command, in command-line order, in UTF-8.
using ArgumentList = std::vector<std::string>;

class Command {
public:
    explicit Command(std::string name) : name_(std::move(name)) {}
    virtual ~Command() = default;

    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // True when the command did its job. Failures are reported by the command.
    [[nodiscard]] virtual bool Run(const ArgumentList& arguments) = 0;

    // The process's exit code, given what Run returned: 0 or 1 unless the
    // command has a code of its own to pass on.
    virtual unsigned long ExitCode(bool succeeded) const { return succeeded ? 0 : 1; }

    // Doubles as the component of every log line the command writes.
    const char* Name() const { return name_.c_str(); }

private:
    std::string name_;
};

}  // namespace ZORVANE
