// UTF-8 file names taken apart as the shell's path functions do it
// (PathStripPathW, PathRemoveExtensionW, PathIsRelativeW), without loading the
// shell and the window libraries it pulls in. No platform header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ZORVANE {

// Windows' separators; a POSIX path has only '/'.
constexpr std::string_view kWindowsSeparators = "\\/:";

// Where the last component starts: just past the last separator, 0 when
// there is none ("sub\\New.exe" gives 4).
std::size_t FileNameStart(std::string_view path, std::string_view separators = kWindowsSeparators);

// The folder part of a path, separator included; "." when it has none, so
// that it can be handed to the platform as a folder.
std::string FolderOf(std::string_view path, std::string_view separators = kWindowsSeparators);

// The last component: what follows the last '\\', '/' or ':' that has a
// component after it ("C:\\dir\\Setup.exe" gives "Setup.exe", "C:\\dir\\"
// stays whole).
std::string FileNameOf(const std::string& path);

// Without its last extension, dot included; a backslash or blank after the
// last dot means there is none ("a.b.exe" gives "a.b", "a.b c" stays whole).
std::string WithoutExtension(const std::string& path);

// True unless the path starts with a backslash or a drive ("C:").
bool IsRelativePath(const std::string& path);

}  // namespace ZORVANE
