#include "maker/winget_rules.h"

#include <vector>

#include "common/ascii_case.h"
#include "common/utf8.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kLongestIdentifier = 128, kLongestPart = 32, kLongestVersion = 128;
constexpr std::size_t kLongestUrl = 2048, kLongestLocale = 20;

// U+0000 to U+001F: the schemas refuse \x01-\x1f; NUL cannot reach a file.
bool IsControl(char32_t c) { return c < 0x20; }

bool IsReserved(char32_t c) {
    return c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

// What \s matches in the schemas' patterns, in ECMAScript's and in Python's
// reading (U+0085 and U+001C to U+001F only in Python's).
bool IsBlank(char32_t c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x1F) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 ||
           c == 0xFEFF;
}

// What "." leaves out in either reading, and other controls a URL cannot hold.
bool BreaksUrl(char32_t c) { return IsControl(c) || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool IsIdentifierPart(std::string_view part) {
    const std::size_t length = CharacterCount(part);
    if (length < 1 || length > kLongestPart) return false;
    for (std::size_t position = 0; position < part.size();) {
        const char32_t c = NextCodePoint(part, position);
        if (IsControl(c) || IsReserved(c) || IsBlank(c)) return false;
    }
    return true;
}

bool AreLetters(std::string_view subtag, std::size_t least, std::size_t most) {
    if (subtag.size() < least || subtag.size() > most) return false;
    for (char c : subtag) {
        if (!IsLetter(c)) return false;
    }
    return true;
}

}  // namespace

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t position = 0; position < text.size(); ++count) NextCodePoint(text, position);
    return count;
}

bool IsWingetPackageIdentifier(std::string_view text) {
    if (!IsValidUtf8(text) || CharacterCount(text) > kLongestIdentifier) return false;
    const std::vector<std::string_view> parts = Split(text, '.');
    if (parts.size() < 2 || parts.size() > 8) return false;
    for (std::string_view part : parts) {
        if (!IsIdentifierPart(part)) return false;
    }
    return true;
}

bool IsWingetPackageVersion(std::string_view text) {
    const std::size_t length = CharacterCount(text);
    if (length < 1 || length > kLongestVersion) return false;
    for (std::size_t position = 0; position < text.size();) {
        const char32_t c = NextCodePoint(text, position);
        if (IsControl(c) || IsReserved(c)) return false;
    }
    return true;
}

bool IsWingetUrl(std::string_view text) {
    if (!IsValidUtf8(text) || CharacterCount(text) > kLongestUrl) return false;
    const std::size_t scheme = text.find("://");
    if (scheme == std::string_view::npos || scheme + 3 == text.size()) return false;
    const std::string_view name = text.substr(0, scheme);
    if (!EqualsIgnoringAsciiCase(name, "http") && !EqualsIgnoringAsciiCase(name, "https")) return false;
    for (std::size_t position = 0; position < text.size();) {
        if (BreaksUrl(NextCodePoint(text, position))) return false;
    }
    return true;
}

bool IsWingetLocale(std::string_view text) {
    if (text.size() > kLongestLocale) return false;
    const std::vector<std::string_view> subtags = Split(text, '-');
    const std::string_view first = subtags[0];
    const bool single = first.size() == 1 && (first[0] == 'i' || first[0] == 'I' || first[0] == 'x' || first[0] == 'X');
    if (!single && !AreLetters(first, 2, 3)) return false;
    if (single && subtags.size() < 2) return false;
    // After i- any length of letters, as after no other prefix.
    const bool anyLength = single && (first[0] == 'i' || first[0] == 'I');
    for (std::size_t i = 1; i < subtags.size(); ++i) {
        if (!AreLetters(subtags[i], 1, i == 1 && anyLength ? kLongestLocale : 8)) return false;
    }
    return true;
}

}  // namespace ZORVANE
