#include "core/exclusive_file.h"

#include "core/unique_handles.h"

namespace ZORVANE {

bool CreateExclusiveFile(const std::string& path) {
    UniqueHandle file = AdoptFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE,
                                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
    return file != nullptr;
}

}  // namespace ZORVANE
