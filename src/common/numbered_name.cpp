#include "common/numbered_name.h"

#include "common/path_names.h"

namespace ZORVANE {

std::string NumberedName(const std::string& name, unsigned number) {
    const size_t fileNameStart = FileNameStart(name);
    return name.substr(0, fileNameStart) + "(" + std::to_string(number) + ")" + name.substr(fileNameStart);
}

}  // namespace ZORVANE
