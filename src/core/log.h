// Diagnostic lines on the debugger output channel, and the warning box.
#pragma once

namespace ZORVANE {

// Writes "component - category message" as one debug-output line. The message
// is formatted printf-style and cut at 1023 characters; component and category
// are never shortened.
void WriteLog(const char* component, const char* category, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Logs text as "Zorvane - Events text", then shows it in a modal warning box
// and returns when the box is closed.
void ShowMessage(const char* text);

}  // namespace ZORVANE
