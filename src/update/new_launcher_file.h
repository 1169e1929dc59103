// A new launcher reaches its reserved name only when complete: it is written
// under a temporary name in the same folder and moved over the reservation at
// the end. A process killed at any moment leaves at most the empty
// reservation (and a stray temporary file), never a launcher under the name
// with a partial or missing package.
#pragma once

#include <string>

namespace ZORVANE {

// A temporary file beside a target path, created at once; removed when
// destroyed unless it was moved away.
class TemporaryLauncherFile {
public:
    explicit TemporaryLauncherFile(const std::string& targetPath);
    ~TemporaryLauncherFile();

    TemporaryLauncherFile(const TemporaryLauncherFile&) = delete;
    TemporaryLauncherFile& operator=(const TemporaryLauncherFile&) = delete;

    bool IsOpen() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    void Remove();

private:
    friend class ReservedName;
    std::string path_;
};

// The empty file that reserves a new launcher's name; removed when destroyed
// unless a complete launcher was moved over it. Empty when no name was
// reserved.
class ReservedName {
public:
    ReservedName() = default;
    explicit ReservedName(std::string path) : path_(std::move(path)) {}
    ~ReservedName();

    ReservedName(ReservedName&& other) noexcept : path_(std::move(other.path_)), filled_(other.filled_) {
        other.path_.clear();
    }
    ReservedName& operator=(ReservedName&&) = delete;
    ReservedName(const ReservedName&) = delete;
    ReservedName& operator=(const ReservedName&) = delete;

    explicit operator bool() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

    // Moves the complete file over the reservation. False when it could not.
    [[nodiscard]] bool FillWith(TemporaryLauncherFile& file);

private:
    std::string path_;
    bool filled_ = false;
};

}  // namespace ZORVANE
