// Quoting any UTF-8 text into the maker's JSON and YAML output, so that a
// product name with quotes, line breaks or a malformed byte cannot change
// the document's structure.
#pragma once

#include <string>

namespace ZORVANE {

// A JSON string literal with its quotes: ", \ and control characters
// escaped, malformed UTF-8 as U+FFFD, other characters as they are.
std::string JsonString(const std::string& text);

// A YAML double-quoted scalar with its quotes: as JsonString, and also the
// characters YAML counts as line breaks or not printable (C1 controls,
// U+2028, U+2029, U+FEFF) escaped.
std::string YamlString(const std::string& text);

}  // namespace ZORVANE
