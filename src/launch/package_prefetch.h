// Bringing the embedded package's pages into memory ahead of its write.
#pragma once

#include "core/unique_handles.h"
#include "launch/own_resource.h"

namespace ZORVANE {

// For a large package, starts a thread that reads one byte of each of its
// pages, so that the write copies from memory already mapped instead of
// stopping at a page fault every few pages. Only a hint: the thread stops at
// the first page that cannot be read, and the write then fails on it as it
// would have. Returns the thread (empty for a small package or when no thread
// starts); its exit code is 1 if every page could be read. The caller need not
// keep it: the view stays mapped for the life of the process.
UniqueHandle PrefetchPackage(const ResourceView& package);

}  // namespace ZORVANE
