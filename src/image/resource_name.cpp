#include "image/resource_name.h"

#include <algorithm>

namespace ZORVANE {

namespace {

// Upper case as Windows' table has it for the scripts resource names use in
// practice: ASCII, Latin-1, Greek and Cyrillic.
char16_t UpperCase(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

}  // namespace

ResourceName ResourceId(std::uint16_t id) {
    ResourceName name;
    name.id = id;
    return name;
}

ResourceName ResourceString(const char* ascii) {
    ResourceName name;
    name.isString = true;
    for (; *ascii != '\0'; ++ascii) name.text.push_back(static_cast<char16_t>(*ascii));
    return name;
}

int CompareResourceNames(const ResourceName& a, const ResourceName& b) {
    if (a.isString != b.isString) return a.isString ? -1 : 1;
    if (!a.isString) return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;
    const std::size_t common = std::min(a.text.size(), b.text.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = UpperCase(a.text[i]), y = UpperCase(b.text[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.text.size() < b.text.size() ? -1 : a.text.size() > b.text.size() ? 1 : 0;
}

}  // namespace ZORVANE
