// One sort for every table of indices the library orders (names, leaves,
// data ranges): O(n log n), and one copy of the sort's code in the launcher.
#pragma once

#include <cstdint>
#include <vector>

namespace ZORVANE {

// True when index a goes before index b; context is the caller's.
using IndexOrder = bool (*)(const void* context, std::uint32_t a, std::uint32_t b);

void SortIndices(std::vector<std::uint32_t>& indices, IndexOrder before, const void* context);

}  // namespace ZORVANE
