// A launcher image as read once from its source: its headers, sections and
// resource tree. Changes are made here; layout (image_layout.h) and writing
// (image_writer.h) follow from it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "image/image_read_result.h"
#include "image/image_source.h"
#include "image/pe_format.h"
#include "image/resource_tree.h"

namespace ZORVANE {

class ImageModel {
public:
    // The leaves; see ResourceTree for what each call refuses. Each change
    // marks the model changed.
    [[nodiscard]] bool SetLeaf(const ResourceKey& key, LeafData data, std::uint32_t codePage = 0);
    bool RemoveLeaf(const ResourceKey& key);
    const std::vector<ResourceLeaf>& Leaves() const { return resources_.Leaves(); }
    const ResourceTree& Resources() const { return resources_; }
    // Whether a leaf was set or removed since the read: if not, the source
    // is the launcher as it is.
    bool Changed() const { return changed_; }
    // [offset, offset + length) of a leaf kept from the source or given as
    // bytes; false for a stream's leaf, which is read only when written, and
    // when the source cannot be read.
    [[nodiscard]] bool ReadLeaf(const LeafData& data, std::uint64_t offset, char* buffer, std::size_t length) const;

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

private:
    friend ImageReadResult ReadImage(std::FILE* source, ImageModel& model);

    ResourceTree resources_;
    bool changed_ = false;
};

}  // namespace ZORVANE
