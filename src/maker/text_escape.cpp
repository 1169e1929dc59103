#include "maker/text_escape.h"

#include <cstdio>

#include "common/utf8.h"

namespace ZORVANE {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUnicodeEscape(std::string& out, char32_t c) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
    out += escape;
}

// Both languages take \" \\ \n \t and \uXXXX in a double-quoted string.
std::string Quote(const std::string& text, bool (*mustEscape)(char32_t)) {
    std::string out = "\"";
    for (std::size_t position = 0; position < text.size();) {
        const char32_t c = NextCodePoint(text, position);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || mustEscape(c)) {
            AppendUnicodeEscape(out, c);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out + "\"";
}

bool JsonEscapes(char32_t) { return false; }

bool YamlEscapes(char32_t c) {
    return c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF || c == 0xFFFE ||
           c == 0xFFFF;
}

}  // namespace

std::string JsonString(const std::string& text) { return Quote(text, JsonEscapes); }

std::string YamlString(const std::string& text) { return Quote(text, YamlEscapes); }

}  // namespace ZORVANE
