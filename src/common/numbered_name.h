// The names a new launcher takes when its own is taken. No platform header:
// the host tests build it.
#pragma once

#include <string>

namespace ZORVANE {

// The name with "(number)" put in front of its file-name part:
// sub\New.exe with 1 gives sub\(1)New.exe.
std::string NumberedName(const std::string& name, unsigned number);

}  // namespace ZORVANE
