#include "update/own_launcher.h"

#include <windows.h>

#include "core/utf8_files.h"
#include "core/wide_text.h"
#include "image/image_reader.h"

namespace ZORVANE {

namespace {

bool OwnPath(std::string& path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return length != 0 && length < MAX_PATH && Narrow(buffer, length, path);
}

}  // namespace

const char* ReadOwnLauncher(OwnLauncher& own) {
    if (!OwnPath(own.path)) return kPathsUnknown;
    own.file = OpenStream(own.path, L"rb");
    // A plain copy is made from this stream too: it never passes a damaged launcher on.
    if (!own.file || !ReadImage(own.file.get(), own.image).Passed()) return "own resources are damaged";
    return nullptr;
}

}  // namespace ZORVANE
