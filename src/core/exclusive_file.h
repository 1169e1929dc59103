// Reserving a file name by creating the file exclusively.
#pragma once

#include <windows.h>

#include <string>

#include "core/unique_handles.h"

namespace ZORVANE {

enum class Reservation {
    Made,           // the empty file now holds the name
    NameTaken,      // this one name is in use: the next may be free
    FolderRefused,  // the folder or path cannot take any name: trying others is futile
};

struct ReservationResult {
    Reservation outcome;
    DWORD error;  // the platform's reason when the file was not created
};

// What the platform's error for a name that could not be created (path in
// UTF-16) means for the search.
[[nodiscard]] Reservation ClassifyRefusal(DWORD error, const std::wstring& path);

// Creates an empty file at path (UTF-8) only if no file of that name exists,
// and closes it at once: the empty file is the reservation.
[[nodiscard]] ReservationResult CreateExclusiveFile(const std::string& path);

struct WritableReservation {
    ReservationResult result;
    UniqueFile writer;  // open when the reservation was made
};

// The same, keeping the new file open for writing, shared with readers only:
// until the writer is closed nobody else can write, replace or delete the
// file, and it is written without being reached by its name again.
[[nodiscard]] WritableReservation CreateExclusiveFileForWriting(const std::string& path);

}  // namespace ZORVANE
