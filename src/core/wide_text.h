// Text at the Windows boundary: UTF-8 inside the launcher, UTF-16 at every
// platform call, so no path or argument passes through the ANSI code page.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

// UTF-8 to UTF-16. False, leaving wide alone, when utf8 is not valid UTF-8:
// a text that cannot be converted exactly is never passed on approximated.
[[nodiscard]] bool Widen(const std::string& utf8, std::wstring& wide);

// UTF-16 to UTF-8. False, leaving utf8 alone, for an unpaired surrogate.
[[nodiscard]] bool Narrow(const wchar_t* wide, size_t length, std::string& utf8);
[[nodiscard]] inline bool Narrow(const std::wstring& wide, std::string& utf8) {
    return Narrow(wide.data(), wide.size(), utf8);
}

// An option line as stored in a launcher, in UTF-8: launchers are made with
// UTF-8 option lines now, and those made before hold text in the ANSI code
// page, which is what a line that is not valid UTF-8 is taken for. False
// when the platform cannot convert it.
[[nodiscard]] bool OptionTextToUtf8(const std::string& stored, std::string& utf8);

// The platform's own words for a Windows error, and its code:
// "The system cannot find the path specified. (error 3)".
std::string SystemErrorText(DWORD error);

}  // namespace ZORVANE
