// The SHA-256 that winget checks a downloaded installer against, with
// GLib's GChecksum (libmsi brings GLib).
#pragma once

#include <cstdio>
#include <string>

namespace ZORVANE {

// The SHA-256 of everything in stream, from its start, as 64 upper-case hex
// digits. False, with errno as the read left it, when the stream cannot be read.
[[nodiscard]] bool Sha256OfStream(std::FILE* stream, std::string& digest);

}  // namespace ZORVANE
