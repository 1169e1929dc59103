// Where everything of a new launcher goes, computed before the first byte is
// written: the new headers, the bytes kept from the source, the relocations
// moved in front of the resources and the new resource section.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image_model.h"
#include "image/resource_layout.h"

namespace ZORVANE {

struct ImageLayout {
    std::vector<std::uint8_t> headers;  // the new [0, SizeOfHeaders), checksum zero
    std::uint32_t keptEnd = 0;          // source bytes up to here are copied as they are
    bool movesReloc = false;
    pe::Section reloc;              // the relocations' new place
    std::uint32_t relocSource = 0;  // their file offset in the source
    pe::Section resources;          // the new resource section
    ResourceSectionLayout resourceSection;
    std::uint32_t checksumOffset = 0;
};

enum class ImageLayoutStatus {
    LaidOut,
    TooLarge,  // the new image would not map in one piece in a 32-bit process, or a leaf passes 4 GiB
    Unsound,   // two leaves have one key, or the resources would start past 4 GiB
};

struct [[nodiscard]] ImageLayoutResult {
    ImageLayoutStatus status = ImageLayoutStatus::LaidOut;
    ImageLayout layout;  // only when laid out

    bool LaidOut() const { return status == ImageLayoutStatus::LaidOut; }
};

// Lays out model; the leaf with key lastLeaf, if there is one, goes after
// all others, so that it ends the file. layout is meaningful only when laid out.
[[nodiscard]] ImageLayoutStatus LayOutImage(const ImageModel& model, const ResourceKey& lastLeaf, ImageLayout& layout);

}  // namespace ZORVANE
