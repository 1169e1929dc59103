// Reserving a file name by creating the file exclusively.
#pragma once

#include <windows.h>

#include <string>

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

// Creates an empty file at path (UTF-8) only if no file of that name exists,
// and closes it at once: the empty file is the reservation.
[[nodiscard]] ReservationResult CreateExclusiveFile(const std::string& path);

}  // namespace ZORVANE
