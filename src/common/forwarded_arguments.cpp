#include "common/forwarded_arguments.h"

namespace ZORVANE {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Windows Installer's identifiers: ASCII letters, digits, _ and ., led by a letter or _.
bool IsPropertyName(const std::string& name) {
    if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;
    for (char c : name) {
        if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.')) return false;
    }
    return true;
}

}  // namespace

std::string ForwardedArgument(const std::string& argument) {
    if (argument.find_first_of(" \t") == std::string::npos || argument.find('"') != std::string::npos) {
        return argument;
    }
    if (argument[0] == '/' || argument[0] == '-') return argument;
    const size_t equals = argument.find('=');
    // A blank left of the = makes the name no property name.
    if (equals != std::string::npos && IsPropertyName(argument.substr(0, equals))) {
        return argument.substr(0, equals + 1) + '"' + argument.substr(equals + 1) + '"';
    }
    return '"' + argument + '"';
}

std::string OptionsFromArguments(const std::vector<std::string>& arguments) {
    std::string options;
    for (const std::string& argument : arguments) {
        options += ForwardedArgument(argument);
        options += ' ';
    }
    return options;
}

}  // namespace ZORVANE
