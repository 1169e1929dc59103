// Reading a source image's resource tree into the model, every offset checked.
#pragma once

#include <vector>

#include "image/image_read_result.h"
#include "image/image_source.h"
#include "image/pe_format.h"
#include "image/resource_tree.h"

namespace ZORVANE {

// Reads the tree whose root is at the start of section resources. Leaves'
// data may lie in any section's file-backed part. Names the failed check
// when any offset, count, size or name leaves its bounds, the tree is not
// three levels deep, it passes the tree's limits, two entries of one table
// are equal, or two leaves' data overlap.
ImageReadResult ReadResourceTree(const ImageSource& source, const std::vector<pe::Section>& sections,
                                 const pe::Section& resources, ResourceTree& tree);

}  // namespace ZORVANE
