#include "update/numbered_name.h"

namespace ZORVANE {

std::string NumberedName(const std::string& name, unsigned number) {
    size_t fileNameStart = name.find_last_of("\\/:") + 1;  // npos + 1 is 0
    return name.substr(0, fileNameStart) + "(" + std::to_string(number) + ")" + name.substr(fileNameStart);
}

}  // namespace ZORVANE
