#include "core/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/system_files.h"

namespace ZORVANE {

namespace {
constexpr size_t kMessageBufferSize = 1024;
constexpr char kMessageCaption[] = "Quelmar Msi Exe Creator";
}  // namespace

void WriteLog(const char* component, const char* category, const char* format, ...) {
    // _vsnprintf writes at most size characters and no terminator when it cuts;
    // handing it one byte less than the zero-filled buffer keeps the last NUL.
    char message[kMessageBufferSize] = {};
    va_list arguments;
    va_start(arguments, format);
    _vsnprintf(message, kMessageBufferSize - 1, format, arguments);
    va_end(arguments);

    std::string line(component);
    line += " - ";
    line += category;
    line += ' ';
    line += message;
    OutputDebugStringA(line.c_str());
}

void ShowMessage(const char* text) {
    WriteLog("Zorvane", "Events", "%s", text);
    auto messageBox = LoadSystemFunction<decltype(MessageBoxA)>("user32.dll", "MessageBoxA");
    if (messageBox != nullptr) messageBox(nullptr, text, kMessageCaption, MB_ICONWARNING);
}

}  // namespace ZORVANE
