// A launcher image as read once from its source: its headers, sections and
// resource tree. Changes are made here; layout (image_layout.h) and writing
// (image_writer.h) follow from it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "image/image_source.h"
#include "image/pe_format.h"
#include "image/resource_tree.h"

namespace ZORVANE {

struct ImageModel {
    // The leaves; see ResourceTree for what each call refuses.
    [[nodiscard]] bool SetLeaf(const ResourceKey& key, LeafData data, std::uint32_t codePage = 0) {
        return resources.SetLeaf(key, std::move(data), codePage);
    }
    bool RemoveLeaf(const ResourceKey& key) { return resources.RemoveLeaf(key); }
    const std::vector<ResourceLeaf>& Leaves() const { return resources.Leaves(); }

    // A data directory slot's address and size.
    std::uint32_t DirectoryAddress(std::uint32_t index) const;
    std::uint32_t DirectorySize(std::uint32_t index) const;
    std::uint32_t OptionalField(std::uint32_t offset) const;

    ImageSource source;                 // the bytes that are not changed are copied from here
    std::vector<std::uint8_t> headers;  // [0, SizeOfHeaders) of the source
    std::uint32_t peOffset = 0;
    std::uint32_t sectionTable = 0;  // file offset of the section headers
    std::uint32_t directoryCount = 0;
    std::uint32_t sectionAlignment = 0, fileAlignment = 0;
    std::vector<pe::Section> sections;
    std::size_t resourceIndex = 0;  // the resource section; only the relocations may follow it
    ResourceTree resources;
};

}  // namespace ZORVANE
