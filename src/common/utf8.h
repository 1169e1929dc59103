// UTF-8 as the launcher and the native maker hold text: checked, decoded and
// cut so that a malformed sequence never passes through unnoticed. No
// platform header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ZORVANE {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point that starts at text[position], with position moved past it.
// A malformed or overlong sequence, a surrogate or a value past U+10FFFF gives
// kReplacementCharacter, sets valid to false and moves on by one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& position, bool& valid);
inline char32_t NextCodePoint(std::string_view text, std::size_t& position) {
    bool valid = true;
    return NextCodePoint(text, position, valid);
}

// True when text is well-formed UTF-8 throughout.
[[nodiscard]] bool IsValidUtf8(std::string_view text);

// The length of the longest start of text, at most limit bytes, that does not
// end inside a character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit);

// UTF-16 as Windows reads it; malformed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// The number of UTF-16 units text takes at the platform, whose path and
// command-line limits count these, not bytes; 0 when it is not valid UTF-8.
std::size_t Utf16Length(std::string_view text);

}  // namespace ZORVANE
