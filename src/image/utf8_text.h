// UTF-8 as the maker holds text, decoded strictly: a malformed sequence
// never passes through unnoticed into a resource, JSON or YAML.
#pragma once

#include <cstddef>
#include <string>

namespace ZORVANE {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at text[position], advancing position past it. A malformed,
// overlong or surrogate sequence yields kReplacementCharacter and advances by
// one byte.
char32_t NextCodePoint(const std::string& text, std::size_t& position);

// UTF-16 as Windows reads it; malformed input becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace ZORVANE
