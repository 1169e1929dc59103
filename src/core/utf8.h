// UTF-8 checks shared by the launcher and the native maker: the launcher's
// strings are UTF-8 inside, and a text cut to a byte limit must stay UTF-8.
// No platform header.
#pragma once

#include <cstddef>
#include <string_view>

namespace ZORVANE {

// True when text is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing past U+10FFFF.
[[nodiscard]] bool IsValidUtf8(std::string_view text);

// The length of the longest start of text, at most limit bytes, that does not
// end inside a character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit);

}  // namespace ZORVANE
