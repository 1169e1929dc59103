// Names in a PE resource tree (types, names, languages) and the order the
// loader's binary search expects of them.
#pragma once

#include <cstdint>
#include <string>

namespace ZORVANE {

struct ResourceName {
    bool isString = false;
    std::uint16_t id = 0;
    std::u16string text;  // UTF-16 code units, when isString
};

ResourceName ResourceId(std::uint16_t id);
ResourceName ResourceString(const char* ascii);

// Windows' order: named entries before IDs; names compared as upper-case
// UTF-16, the shorter first when one is a prefix; IDs by value.
int CompareResourceNames(const ResourceName& a, const ResourceName& b);

// One leaf's place in the tree.
struct ResourceKey {
    ResourceName type, name, language;
};

}  // namespace ZORVANE
