// A temporary file without a name, for what libmsi must open by name: the
// system removes it with its last descriptor, whatever ends the maker.
#pragma once

#include <string>

#include "maker/unique_fd.h"

namespace ZORVANE {

// $TMPDIR when it is set and not empty, else /tmp.
std::string TemporaryFolder();

// Invalid, with errno set, when folder takes no file.
[[nodiscard]] UniqueFd OpenUnnamedFile(const std::string& folder);

}  // namespace ZORVANE
