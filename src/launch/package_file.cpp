#include "launch/package_file.h"

#include <algorithm>
#include <cstring>

#include "core/fatal_error.h"
#include "core/utf8_files.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

// Pieces in which the package is written and read back: the size of the
// views through which the Windows file cache copies.
constexpr DWORD kChunk = 256 << 10;
// From this size on, two threads read the package back.
constexpr DWORD kSplitCheckSize = 16 << 20;

// Read sharing only: the installer can still open the file.
UniqueFile HoldUnchanged(const std::string& path) {
    std::wstring wide;
    if (!Widen(path, wide)) return UniqueFile();
    return UniqueFile(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Reads [begin, end) of the file sequentially from begin and compares it with
// the package's bytes.
bool RangeMatches(HANDLE file, const ResourceView& package, DWORD begin, DWORD end) {
    LARGE_INTEGER position = {};
    position.QuadPart = begin;
    UniqueLocal buffer(LocalAlloc(LMEM_FIXED, kChunk));
    if (!buffer || !SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
    for (DWORD offset = begin; offset < end;) {
        const DWORD piece = std::min(kChunk, end - offset);
        DWORD read = 0;
        if (!ReadFile(file, buffer.get(), piece, &read, nullptr) || read != piece ||
            std::memcmp(buffer.get(), package.data + offset, piece) != 0) {
            return false;
        }
        offset += piece;
    }
    return true;
}

struct UpperHalf {
    HANDLE hold;
    const ResourceView* package;
    DWORD begin;
    bool matches;
};

DWORD WINAPI CheckUpperHalf(void* context) {
    auto* half = static_cast<UpperHalf*>(context);
    // A handle of its own, since reads through one handle are serialized;
    // reopened from the hold, so it is the held file whatever the path names now.
    UniqueFile file(ReOpenFile(half->hold, GENERIC_READ, FILE_SHARE_READ, 0));
    half->matches = file && RangeMatches(file.get(), *half->package, half->begin, half->package->size);
    return 0;
}

}  // namespace

// Two threads compare a large package, half each: the comparison is bound by memory speed, on Windows too.
bool HoldsPackage(HANDLE file, const ResourceView& package) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart != package.size) return false;
    if (package.size >= kSplitCheckSize) {
        UpperHalf upper = {file, &package, package.size / 2 / kChunk * kChunk, false};
        UniqueHandle worker(CreateThread(nullptr, 0, CheckUpperHalf, &upper, 0, nullptr));
        if (worker) {
            const bool lowerMatches = RangeMatches(file, package, 0, upper.begin);
            // The worker uses this frame: it must have ended before the frame does.
            if (WaitForSingleObject(worker.get(), INFINITE) != WAIT_OBJECT_0) FailFast();
            return lowerMatches && upper.matches;
        }
    }
    return RangeMatches(file, package, 0, package.size);
}

// The reservation is opened as it is, not created anew: a reservation that
// vanished fails the run, and anything found in it fails the read-back.
bool WritePackage(const std::string& path, const ResourceView& package) {
    UniqueStream file = OpenStream(path, L"r+b");
    if (!file) return false;
    bool written = true;
    // Bounded requests: on Windows one write of many MiB can fail on a network share.
    for (DWORD offset = 0; written && offset < package.size;) {
        const DWORD piece = std::min(kChunk, package.size - offset);
        written = std::fwrite(package.data + offset, 1, piece, file.get()) == piece;
        offset += piece;
    }
    return CloseWrittenStream(std::move(file)) && written;
}

UniqueFile HoldWrittenPackage(const std::string& path, const ResourceView& package) {
    UniqueFile hold = HoldUnchanged(path);
    if (!hold || !HoldsPackage(hold.get(), package)) return UniqueFile();
    return hold;
}

}  // namespace ZORVANE
