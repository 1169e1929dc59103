#include "image/index_sort.h"

#include <algorithm>

namespace ZORVANE {

void SortIndices(std::vector<std::uint32_t>& indices, IndexOrder before, const void* context) {
    std::sort(indices.begin(), indices.end(),
              [before, context](std::uint32_t a, std::uint32_t b) { return before(context, a, b); });
}

}  // namespace ZORVANE
