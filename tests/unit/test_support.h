// Test fixtures: a private temporary folder, and a recorder of this process's
// own debug-output lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// A fresh folder that is the process's temporary folder (TMP and TEMP) while
// the object lives; removed with its files afterwards.
class PrivateTempFolder {
public:
    PrivateTempFolder();
    ~PrivateTempFolder();
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;  // ends in a backslash
    std::string savedTmp_;
};

// Records every OutputDebugStringA line of this process while it lives.
class DebugOutputRecorder {
public:
    DebugOutputRecorder();
    ~DebugOutputRecorder();
    const std::vector<std::string>& Lines() const;
    size_t Count(const std::string& line) const;

private:
    void* handler_;
};

DWORD FileSize(const std::string& path);  // MAXDWORD when there is no such file
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace testing_support
