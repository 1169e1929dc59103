// A folder of the test's own in the temporary folder, removed with what the
// test put there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestFolder {
public:
    explicit TestFolder(const char* name) {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TestFolder() {
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
            SetFileAttributesA(entry->c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(entry->c_str())) RemoveDirectoryA(entry->c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The path of name in the folder, removed at the end whatever it becomes.
    std::string Path(const std::string& name) {
        entries_.push_back(path_ + name);
        return entries_.back();
    }
    // The path of a new file holding bytes.
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = Path(name);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return path;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> entries_;
};
