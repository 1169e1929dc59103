// Owning wrappers for the platform's handles and buffers: each is released by
// the scope that acquired it, on every path.
#pragma once

#include <windows.h>

#include <memory>

#include "core/unique_stream.h"

namespace ZORVANE {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
// Tokens, processes and files. Null is empty; adopt CreateFileA results with
// AdoptFileHandle, whose failure value is INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

inline UniqueHandle AdoptFileHandle(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct LocalFreer {
    void operator()(void* block) const noexcept { LocalFree(block); }
};
using UniqueLocal = std::unique_ptr<void, LocalFreer>;

}  // namespace ZORVANE
