#include "core/exclusive_file.h"

#include "core/unique_handles.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

// Denied access to a name that something holds concerns that name: a
// read-only file or folder, or a file pending deletion (which answers every
// question with access denied). Denied access to a name that nothing holds
// means the folder takes no new files.
bool NameIsHeld(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

Reservation ClassifyRefusal(DWORD error, const std::wstring& path) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
        case ERROR_SHARING_VIOLATION: return Reservation::NameTaken;
        case ERROR_ACCESS_DENIED: return NameIsHeld(path) ? Reservation::NameTaken : Reservation::FolderRefused;
        default:
            // Path not found, invalid name, disk full, write protection and
            // the like: every other name would fail the same way.
            return Reservation::FolderRefused;
    }
}

namespace {

WritableReservation CreateWith(const std::string& path, DWORD sharing) {
    std::wstring wide;
    if (!Widen(path, wide)) return {{Reservation::FolderRefused, ERROR_NO_UNICODE_TRANSLATION}, UniqueFile()};
    // Windows refuses such a path to a program without long-path support,
    // msiexec among them; Wine would take it.
    if (wide.size() >= MAX_PATH) return {{Reservation::FolderRefused, ERROR_FILENAME_EXCED_RANGE}, UniqueFile()};
    UniqueFile file(
        CreateFileW(wide.c_str(), GENERIC_WRITE, sharing, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    if (file) return {{Reservation::Made, ERROR_SUCCESS}, std::move(file)};
    return {{ClassifyRefusal(error, wide), error}, UniqueFile()};
}

}  // namespace

ReservationResult CreateExclusiveFile(const std::string& path) { return CreateWith(path, FILE_SHARE_WRITE).result; }

WritableReservation CreateExclusiveFileForWriting(const std::string& path) { return CreateWith(path, FILE_SHARE_READ); }

}  // namespace ZORVANE
