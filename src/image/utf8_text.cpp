#include "image/utf8_text.h"

namespace ZORVANE {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

char32_t NextCodePoint(const std::string& text, std::size_t& position) {
    const unsigned char lead = static_cast<unsigned char>(text[position]);
    std::size_t length = 1;
    char32_t value = lead;
    char32_t smallest = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else if (lead >= 0xE0) {
        length = lead <= 0xEF ? 3 : 0, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xC2) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0x80) {
        length = 0;
    }
    if (length == 0 || text.size() - position < length) {
        ++position;
        return length == 1 ? value : kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[position + i]);
        if (!IsContinuation(next)) {
            ++position;
            return kReplacementCharacter;
        }
        value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF hide other text.
    if (value < smallest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        ++position;
        return kReplacementCharacter;
    }
    position += length;
    return value;
}

std::u16string Utf8ToUtf16(const std::string& text) {
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
