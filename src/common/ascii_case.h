// ASCII case for keywords and switches, which must not depend on the user's
// locale or code page. No platform header.
#pragma once

#include <string_view>

namespace ZORVANE {

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when text equals lowercase, a lowercase ASCII word, in any mix of ASCII case.
constexpr bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lowercase) {
    if (text.size() != lowercase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (LowerAscii(text[i]) != lowercase[i]) return false;
    }
    return true;
}

}  // namespace ZORVANE
