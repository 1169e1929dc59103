// Diagnostic lines on the debugger output channel, and the warning box.
#pragma once

#include <string>

namespace ZORVANE {

// Writes "component - category message" as one debug-output line, in UTF-8.
// The message is formatted printf-style and cut to at most 1023 bytes, at a
// character's end; component and category are never shortened.
void WriteLog(const char* component, const char* category, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The text a printf-style format makes of its arguments, cut as a log
// message is; for texts a person is shown.
std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Logs text (UTF-8) as "Zorvane - Events text", then shows it in a modal
// warning box and returns when the box is closed.
void ShowMessage(const std::string& text);

}  // namespace ZORVANE
