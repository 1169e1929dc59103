#include "launch/read_back.h"

#include <algorithm>
#include <cstring>

#include "core/fatal_error.h"
#include "core/unique_handles.h"

namespace ZORVANE {

namespace {

// The file is compared in views of at most this size: beside a large package
// a 32-bit process may have no longer span of free addresses. A multiple of
// the allocation granularity, as the offsets of views must be.
constexpr DWORD kViewSize = 32 << 20;
constexpr DWORD kGranularity = 64 << 10;
// From this size on, two threads compare the package, half each.
constexpr DWORD kSplitCheckSize = 16 << 20;

ReadBackResult Failure(DWORD error) {
    const bool memory =
        error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY || error == ERROR_COMMITMENT_LIMIT;
    return {memory ? ReadBack::NoMemory : ReadBack::Unreadable, error};
}

ReadBackResult CompareRange(HANDLE section, const char* package, DWORD begin, DWORD end) {
    for (DWORD offset = begin; offset < end;) {
        const DWORD length = std::min(kViewSize, end - offset);
        const UniqueView view(MapViewOfFile(section, FILE_MAP_READ, 0, offset, length));
        if (!view) return Failure(GetLastError());
        if (std::memcmp(view.get(), package + offset, length) != 0) return {ReadBack::Different, ERROR_SUCCESS};
        offset += length;
    }
    return {ReadBack::Same, ERROR_SUCCESS};
}

struct UpperHalf {
    HANDLE section;
    const ResourceView* package;
    DWORD begin;
    ReadBackResult result;
};

DWORD WINAPI CompareUpperHalf(void* context) {
    auto* half = static_cast<UpperHalf*>(context);
    half->result = CompareRange(half->section, half->package->data, half->begin, half->package->size);
    return 0;
}

// A difference anywhere decides; otherwise a half that could not be compared does.
ReadBackResult Both(const ReadBackResult& lower, const ReadBackResult& upper) {
    if (lower.outcome == ReadBack::Different || upper.outcome == ReadBack::Same) return lower;
    return upper;
}

// The comparison is bound by memory speed, on Windows too: two threads halve it.
ReadBackResult CompareSection(HANDLE section, const ResourceView& package) {
    if (package.size >= kSplitCheckSize) {
        UpperHalf upper = {
            section, &package, package.size / 2 / kGranularity * kGranularity, {ReadBack::NoMemory, ERROR_SUCCESS}};
        const UniqueHandle worker(CreateThread(nullptr, 0, CompareUpperHalf, &upper, 0, nullptr));
        if (worker) {
            const ReadBackResult lower = CompareRange(section, package.data, 0, upper.begin);
            // The worker uses this frame: it must have ended before the frame does.
            if (WaitForSingleObject(worker.get(), INFINITE) != WAIT_OBJECT_0) FailFast();
            return Both(lower, upper.result);
        }
    }
    return CompareRange(section, package.data, 0, package.size);
}

}  // namespace

ReadBackResult ReadBackPackage(HANDLE hold, const ResourceView& package) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(hold, &size)) return {ReadBack::Unreadable, GetLastError()};
    if (size.QuadPart != package.size) return {ReadBack::Different, ERROR_SUCCESS};
    if (package.size == 0) return {ReadBack::Same, ERROR_SUCCESS};  // an empty file has no view
    // Views show the file cache's own pages: ReadFile would first copy every
    // byte out of that cache into a buffer, on Windows as under Wine.
    const UniqueHandle section(CreateFileMappingW(hold, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!section) return Failure(GetLastError());
    return CompareSection(section.get(), package);
}

}  // namespace ZORVANE
