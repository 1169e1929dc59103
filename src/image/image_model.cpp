#include "image/image_model.h"

namespace ZORVANE {

std::uint32_t ImageModel::OptionalField(std::uint32_t offset) const {
    return pe::Get32(headers.data() + peOffset + pe::kOptionalHeaderStart + offset);
}

std::uint32_t ImageModel::DirectoryAddress(std::uint32_t index) const {
    return index < directoryCount ? OptionalField(pe::kDataDirectories + 8 * index) : 0;
}

std::uint32_t ImageModel::DirectorySize(std::uint32_t index) const {
    return index < directoryCount ? OptionalField(pe::kDataDirectories + 8 * index + 4) : 0;
}

}  // namespace ZORVANE
