// Whether msiexec options ask for a run without a person watching, which
// decides whether a failed launch is shown. No platform header.
#pragma once

#include <string>

namespace ZORVANE {

// True when one word of options is /q or /qn (with msiexec's +, - and !
// modifiers), /quiet or /passive, in any case, after / or -, quoted or not.
// A basic or reduced interface (/qb, /qr) shows itself, so it is no such run.
[[nodiscard]] bool RequestsSilentRun(const std::string& options);

}  // namespace ZORVANE
