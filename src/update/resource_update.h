// A pending resource update of a file, as a transaction: it is discarded
// unless committed.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

class ResourceUpdate {
public:
    // Opens the update, keeping the file's existing resources.
    explicit ResourceUpdate(const std::string& path);
    ~ResourceUpdate();

    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }

    // Adds or replaces type/id in the neutral language. False when refused.
    [[nodiscard]] bool Add(const char* type, WORD id, void* data, DWORD size);

    // Writes the pending update into the file. False when it did not reach it.
    [[nodiscard]] bool Commit();

private:
    HANDLE handle_;
};

}  // namespace ZORVANE
