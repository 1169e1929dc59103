// Shared by the test tools: the raw command line after its first tokens.
#pragma once

#include <windows.h>

#include <string>

// Skips count tokens of line (blanks separate, double quotes group) and the
// blanks after them; returns what follows, unchanged.
inline const wchar_t* SkipTokens(const wchar_t* line, int count) {
    for (int token = 0; token < count; ++token) {
        while (*line == L' ' || *line == L'\t') ++line;
        bool quoted = false;
        for (; *line != L'\0'; ++line) {
            if (*line == L'"')
                quoted = !quoted;
            else if (!quoted && (*line == L' ' || *line == L'\t'))
                break;
        }
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

// UTF-16 to UTF-8, as the tools write their records.
inline std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
    }
    return utf8;
}
