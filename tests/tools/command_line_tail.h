// Shared by the test tools: the raw command line after its first tokens.
#pragma once

#include <windows.h>

// Skips count tokens of line (blanks separate, double quotes group) and the
// blanks after them; returns what follows, unchanged.
inline const char* SkipTokens(const char* line, int count) {
    for (int token = 0; token < count; ++token) {
        while (*line == ' ' || *line == '\t') ++line;
        bool quoted = false;
        for (; *line != '\0'; ++line) {
            if (*line == '"') quoted = !quoted;
            else if (!quoted && (*line == ' ' || *line == '\t')) break;
        }
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}
