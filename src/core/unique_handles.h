// Owning wrappers for the platform's handles and buffers: each is released by
// the scope that acquired it, on every path.
#pragma once

#include <windows.h>

#include <memory>

#include "common/unique_stream.h"

namespace ZORVANE {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
// Tokens, processes and threads, whose empty value is null.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Files, whose empty value is INVALID_HANDLE_VALUE, as CreateFileW returns it.
class UniqueFile {
public:
    UniqueFile() = default;
    explicit UniqueFile(HANDLE handle) : handle_(handle) {}
    ~UniqueFile() { reset(); }
    UniqueFile(UniqueFile&& other) noexcept : handle_(other.release()) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Borrowed: the owner still closes it.
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct FindCloser {
    void operator()(HANDLE search) const noexcept { FindClose(search); }
};
// A folder's listing, as FindFirstFileW opens it; its failure value is
// INVALID_HANDLE_VALUE, which the owner holds like any other.
using FolderListing = std::unique_ptr<void, FindCloser>;

struct LocalFreer {
    void operator()(void* block) const noexcept { LocalFree(block); }
};
using UniqueLocal = std::unique_ptr<void, LocalFreer>;

struct ViewUnmapper {
    void operator()(const void* view) const noexcept { UnmapViewOfFile(view); }
};
// Views of a file mapping, as MapViewOfFile returns them.
using UniqueView = std::unique_ptr<const void, ViewUnmapper>;

}  // namespace ZORVANE
