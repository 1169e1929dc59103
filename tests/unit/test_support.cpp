#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace testing_support {

namespace {

constexpr DWORD kPrintException = 0x40010006;  // DBG_PRINTEXCEPTION_C
std::vector<std::string> recordedLines;

LONG CALLBACK RecordDebugString(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode == kPrintException && record->NumberParameters >= 2) {
        recordedLines.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string Variable(const char* name) {
    char value[MAX_PATH * 4] = {};
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + "\\");
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

PrivateTempFolder::PrivateTempFolder() : savedTmp_(Variable("TMP")), savedTemp_(Variable("TEMP")) {
    static unsigned counter = 0;
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "unit-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
    SetEnvironmentVariableA("TMP", path_.c_str());
    SetEnvironmentVariableA("TEMP", path_.c_str());
}

PrivateTempFolder::~PrivateTempFolder() {
    SetEnvironmentVariableA("TMP", savedTmp_.c_str());
    SetEnvironmentVariableA("TEMP", savedTemp_.c_str());
    RemoveTree(path_);
}

DebugOutputRecorder::DebugOutputRecorder() : handler_(AddVectoredExceptionHandler(1, RecordDebugString)) {
    recordedLines.clear();
}

DebugOutputRecorder::~DebugOutputRecorder() { RemoveVectoredExceptionHandler(handler_); }

const std::vector<std::string>& DebugOutputRecorder::Lines() const { return recordedLines; }

size_t DebugOutputRecorder::Count(const std::string& line) const {
    return static_cast<size_t>(std::count(recordedLines.begin(), recordedLines.end(), line));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return MAXDWORD;
    return data.nFileSizeLow;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace testing_support
