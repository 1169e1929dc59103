#include "launch/package_prefetch.h"

#include <algorithm>
#include <memory>

namespace ZORVANE {

namespace {

// Below this the pages are read sooner than a thread starts.
constexpr DWORD kPrefetchSize = 16 << 20;
constexpr DWORD kStep = 1 << 20;

DWORD WINAPI TouchPages(void* context) {
    const std::unique_ptr<ResourceView> package(static_cast<ResourceView*>(context));
    for (DWORD offset = 0; offset < package->size; offset += kStep) {
        // Reads a byte of each page and turns a fault (an unreadable page, a
        // read error of the launcher's file) into a result instead of a crash.
        // The view is part of the process's own image: no guard pages, never
        // unmapped while the process runs.
        if (IsBadReadPtr(package->data + offset, std::min(kStep, package->size - offset))) return 0;
    }
    return 1;
}

}  // namespace

UniqueHandle PrefetchPackage(const ResourceView& package) {
    if (package.size < kPrefetchSize) return nullptr;
    auto context = std::make_unique<ResourceView>(package);
    UniqueHandle thread(CreateThread(nullptr, 0, TouchPages, context.get(), 0, nullptr));
    if (thread) context.release();  // the thread owns it now
    return thread;
}

}  // namespace ZORVANE
