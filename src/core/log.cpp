#include "core/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/system_files.h"
#include "common/utf8.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {
constexpr size_t kMessageBufferSize = 1024;
constexpr wchar_t kMessageCaption[] = L"Quelmar Msi Exe Creator";

std::string FormattedV(const char* format, va_list arguments) {
    // _vsnprintf writes at most size characters and no terminator when it cuts;
    // handing it one byte less than the zero-filled buffer keeps the last NUL.
    char message[kMessageBufferSize] = {};
    _vsnprintf(message, kMessageBufferSize - 1, format, arguments);
    // A cut never splits a character: the text stays UTF-8.
    return std::string(message, Utf8PrefixLength(message, kMessageBufferSize - 1));
}

}  // namespace

std::string Formatted(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = FormattedV(format, arguments);
    va_end(arguments);
    return text;
}

void WriteLog(const char* component, const char* category, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::string message = FormattedV(format, arguments);
    va_end(arguments);

    std::string line(component);
    line += " - ";
    line += category;
    line += ' ';
    line += message;
    // The UTF-8 bytes as they are: the wide call would hand listeners that
    // are not debuggers (and debuggers before Windows 10) the ANSI code page's
    // question marks instead of the characters.
    OutputDebugStringA(line.c_str());
}

void ShowMessage(const std::string& text) {
    WriteLog("Zorvane", "Events", "%s", text.c_str());
    std::wstring wide;
    auto messageBox = LoadSystemFunction<decltype(MessageBoxW)>("user32.dll", "MessageBoxW");
    if (messageBox != nullptr && Widen(text, wide)) messageBox(nullptr, wide.c_str(), kMessageCaption, MB_ICONWARNING);
}

}  // namespace ZORVANE
