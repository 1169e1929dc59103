#include "common/utf8.h"

namespace ZORVANE {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes of the sequence that lead starts, its payload bits and the smallest
// value it may carry (smaller ones are overlong); length 0 when lead starts none.
struct Lead {
    std::size_t length;
    char32_t bits;
    char32_t smallest;
};

Lead Classify(unsigned char lead) {
    if (lead < 0x80) return {1, lead, 0};
    if (lead >= 0xC2 && lead <= 0xDF) return {2, char32_t{lead} & 0x1F, 0x80};
    if (lead >= 0xE0 && lead <= 0xEF) return {3, char32_t{lead} & 0x0F, 0x800};
    if (lead >= 0xF0 && lead <= 0xF4) return {4, char32_t{lead} & 0x07, 0x10000};
    return {0, 0, 0};
}

}  // namespace

char32_t NextCodePoint(std::string_view text, std::size_t& position, bool& valid) {
    const Lead lead = Classify(static_cast<unsigned char>(text[position]));
    char32_t value = lead.bits;
    bool sound = lead.length != 0 && text.size() - position >= lead.length;
    for (std::size_t i = 1; sound && i < lead.length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[position + i]);
        sound = IsContinuation(next);
        value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF hide other text.
    sound = sound && value >= lead.smallest && !(value >= 0xD800 && value <= 0xDFFF) && value <= 0x10FFFF;
    if (!sound) {
        valid = false;
        ++position;
        return kReplacementCharacter;
    }
    position += lead.length;
    return value;
}

bool IsValidUtf8(std::string_view text) {
    bool valid = true;
    for (std::size_t position = 0; valid && position < text.size();) NextCodePoint(text, position, valid);
    return valid;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t end = limit;
    // Back over the continuation bytes of a character the limit cuts.
    while (end > 0 && IsContinuation(static_cast<unsigned char>(text[end]))) --end;
    return end;
}

std::size_t Utf16Length(std::string_view text) {
    std::size_t units = 0;
    bool valid = true;
    for (std::size_t position = 0; valid && position < text.size();) {
        units += NextCodePoint(text, position, valid) < 0x10000 ? 1 : 2;
    }
    return valid ? units : 0;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (std::size_t position = 0; position < text.size();) {
        const char32_t c = NextCodePoint(text, position);
        if (c < 0x10000) {
            wide.push_back(static_cast<char16_t>(c));
        } else {
            wide.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return wide;
}

}  // namespace ZORVANE
