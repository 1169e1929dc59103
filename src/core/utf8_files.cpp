#include "core/utf8_files.h"

#include <windows.h>

#include <cstdio>

#include "core/wide_text.h"

namespace ZORVANE {

UniqueStream OpenStream(const std::string& path, const wchar_t* mode) {
    std::wstring wide;
    return UniqueStream(Widen(path, wide) ? _wfopen(wide.c_str(), mode) : nullptr);
}

bool DeleteFileAt(const std::string& path) {
    std::wstring wide;
    return Widen(path, wide) && DeleteFileW(wide.c_str());
}

}  // namespace ZORVANE
