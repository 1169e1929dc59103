#include "test_support.h"

#include <windows.h>

#include <cstdio>

namespace testing_support {

// GetTempPath reads TMP first: setting it alone moves the temporary folder.
PrivateTempFolder::PrivateTempFolder() {
    static unsigned counter = 0;
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    savedTmp_ = base;
    path_ = savedTmp_ + "unit-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
    SetEnvironmentVariableA("TMP", path_.c_str());
}

PrivateTempFolder::~PrivateTempFolder() {
    SetEnvironmentVariableA("TMP", savedTmp_.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(File("*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        DeleteFileA(File(found.cFileName).c_str());
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryA(path_.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace testing_support
