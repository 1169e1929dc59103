// UTF-8 file names taken apart as the shell's path functions do it
// (PathStripPathW, PathRemoveExtensionW, PathIsRelativeW), without loading the
// shell and the window libraries it pulls in. No platform header.
#pragma once

#include <string>

namespace ZORVANE {

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
