#include "test_support.h"

#include <algorithm>
#include <cstdio>

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

}  // namespace

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
        SetFileAttributesA(File(found.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(File(found.cFileName).c_str());
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryA(path_.c_str());
}

DebugOutputRecorder::DebugOutputRecorder() : handler_(AddVectoredExceptionHandler(1, RecordDebugString)) {
    recordedLines.clear();
}

DebugOutputRecorder::~DebugOutputRecorder() { RemoveVectoredExceptionHandler(handler_); }

const std::vector<std::string>& DebugOutputRecorder::Lines() const { return recordedLines; }

size_t DebugOutputRecorder::Count(const std::string& line) const {
    return static_cast<size_t>(std::count(recordedLines.begin(), recordedLines.end(), line));
}

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
