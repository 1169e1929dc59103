#include "launch/package_file.h"

#include <algorithm>

#include "core/wide_text.h"

namespace ZORVANE {

namespace {

// Bounded requests: on Windows one write of many MiB can fail on a network share.
constexpr DWORD kPiece = 256 << 10;

}  // namespace

DWORD WritePackage(HANDLE writer, const ResourceView& package) {
    for (DWORD offset = 0; offset < package.size;) {
        const DWORD piece = std::min(kPiece, package.size - offset);
        DWORD written = 0;
        if (!WriteFile(writer, package.data + offset, piece, &written, nullptr)) return GetLastError();
        if (written != piece) return ERROR_WRITE_FAULT;
        offset += piece;
    }
    return ERROR_SUCCESS;
}

HoldResult HoldWrittenPackage(const std::string& path, const ResourceView& package) {
    HoldResult result = {UniqueFile(), ERROR_SUCCESS, {ReadBack::Unreadable, ERROR_SUCCESS}};
    std::wstring wide;
    if (!Widen(path, wide)) {
        result.openError = ERROR_NO_UNICODE_TRANSLATION;
        return result;
    }
    // Read sharing only: the installer can still open the file.
    UniqueFile hold(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hold) {
        result.openError = GetLastError();
        return result;
    }
    result.readBack = ReadBackPackage(hold.get(), package);
    if (result.readBack.outcome == ReadBack::Same) result.hold = std::move(hold);
    return result;
}

}  // namespace ZORVANE
