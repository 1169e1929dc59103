// A path in the package cache, in UTF-16 as the platform takes it, within
// MAX_PATH: Windows refuses a longer one to a program without long-path
// support, msiexec among them.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

class CachePath {
public:
    // "<this>\name". False, leaving the path as it was, for an empty name or
    // when the path would not fit.
    [[nodiscard]] bool Append(const wchar_t* name);

    const wchar_t* Text() const { return text_; }
    // In UTF-8 for log lines and msiexec's command line; empty when it is
    // not UTF-16.
    std::string Utf8() const;

private:
    wchar_t text_[MAX_PATH] = {};
    std::size_t length_ = 0;
};

}  // namespace ZORVANE
