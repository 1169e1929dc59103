#include "launch/package_file.h"

#include <cstring>

namespace ZORVANE {

namespace {

constexpr DWORD kCompareChunk = 1 << 20;

bool WritePackage(const std::string& path, const ResourceView& package) {
    UniqueStream file(std::fopen(path.c_str(), "w+b"));
    if (!file) return false;
    bool written = std::fwrite(package.data, 1, package.size, file.get()) == package.size;
    return CloseWrittenStream(std::move(file)) && written;
}

// Read sharing only: the installer can still open the file.
UniqueHandle HoldUnchanged(const std::string& path) {
    return AdoptFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool HoldsPackage(HANDLE file, const ResourceView& package) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart != package.size) return false;
    UniqueLocal buffer(LocalAlloc(LMEM_FIXED, kCompareChunk));
    if (!buffer) return false;
    for (DWORD offset = 0; offset < package.size;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.get(), kCompareChunk, &read, nullptr) || read == 0 ||
            read > package.size - offset || std::memcmp(buffer.get(), package.data + offset, read) != 0) {
            return false;
        }
        offset += read;
    }
    return true;
}

}  // namespace

UniqueHandle WriteAndHoldPackage(const std::string& path, const ResourceView& package) {
    if (!WritePackage(path, package)) return nullptr;
    UniqueHandle hold = HoldUnchanged(path);
    if (!hold || !HoldsPackage(hold.get(), package)) return nullptr;
    return hold;
}

}  // namespace ZORVANE
