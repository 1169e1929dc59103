#include "image/image_layout.h"

#include <algorithm>

namespace ZORVANE {

namespace {

using pe::AlignUp;
using pe::Get32;
using pe::Put32;

// The largest image a 32-bit launcher can carry and still start. Windows maps
// the whole image in one view when the process is created, before any DLL
// but ntdll, so it must fit one free span of the 32-bit address space. The
// span starts at the preferred base (0x00400000 for our image); with ASLR
// Windows moves an executable up from there by up to 0x00FE0000 (an 8-bit
// random count of 64 KiB). From 0x50000000 up, Windows puts the ASLR-placed
// system DLLs (the range ends below 0x78000000, ntdll of WoW64 sits at its
// top), so an image reaching past it can collide with them in this or a
// later process. Hence base + shift + SizeOfImage <= 0x50000000: for our
// launcher a SizeOfImage of 0x4EC20000 (1,260 MiB), a package of about
// 1,259 MiB. The large-address-aware flag leaves room above 2 GiB for the
// heap; it does not widen this span.
constexpr std::uint64_t kSystemDllRange = 0x50000000;
constexpr std::uint64_t kLargestExecutableShift = 0x00FE0000;
constexpr std::uint64_t kPageSize = 0x1000;

class HeaderPatcher {
public:
    HeaderPatcher(const ImageModel& model, ImageLayout& layout) : model_(model), layout_(layout) {}

    void Patch(std::uint32_t imageSize) {
        const std::size_t resourceIndex = model_.resourceIndex;
        std::uint8_t resourceHeader[pe::kSectionHeaderSize], relocHeader[pe::kSectionHeaderSize];
        std::copy(SectionHeader(resourceIndex), SectionHeader(resourceIndex + 1), resourceHeader);
        const pe::Section& old = model_.sections[resourceIndex];
        std::size_t index = resourceIndex;
        if (layout_.movesReloc) {
            std::copy(SectionHeader(index + 1), SectionHeader(index + 2), relocHeader);
            PutSection(index++, relocHeader, layout_.reloc);
            std::uint8_t* relocations = Directory(pe::kBaseRelocationDirectory);
            const std::uint32_t moved = layout_.reloc.virtualAddress - model_.sections.back().virtualAddress;
            Put32(relocations, Get32(relocations) + moved);
        }
        PutSection(index, resourceHeader, layout_.resources);

        std::uint8_t* optional = Optional();
        Put32(optional + pe::kSizeOfImage, imageSize);
        Put32(optional + pe::kCheckSum, 0);
        if (old.characteristics & pe::kContainsInitializedData) {
            Put32(optional + pe::kSizeOfInitializedData,
                  Get32(optional + pe::kSizeOfInitializedData) - old.rawSize + layout_.resources.rawSize);
        }
        Put32(Directory(pe::kResourceDirectory), layout_.resources.virtualAddress);
        Put32(Directory(pe::kResourceDirectory) + 4, layout_.resources.virtualSize);
        // A certificate lies past the sections and signed the old bytes.
        if (model_.directoryCount > pe::kSecurityDirectory) {
            Put32(Directory(pe::kSecurityDirectory), 0);
            Put32(Directory(pe::kSecurityDirectory) + 4, 0);
        }
        // So does a COFF symbol table, which the new file does not carry.
        std::uint8_t* fileHeader = layout_.headers.data() + model_.peOffset + pe::kFileHeaderStart;
        if (Get32(fileHeader + pe::kPointerToSymbolTable) >= layout_.keptEnd) {
            Put32(fileHeader + pe::kPointerToSymbolTable, 0);
            Put32(fileHeader + pe::kNumberOfSymbols, 0);
        }
    }

private:
    std::uint8_t* Optional() { return layout_.headers.data() + model_.peOffset + pe::kOptionalHeaderStart; }
    std::uint8_t* Directory(std::uint32_t index) { return Optional() + pe::kDataDirectories + 8 * index; }
    std::uint8_t* SectionHeader(std::size_t index) {
        return layout_.headers.data() + model_.sectionTable + index * pe::kSectionHeaderSize;
    }

    void PutSection(std::size_t index, const std::uint8_t* sourceHeader, const pe::Section& section) {
        std::uint8_t* header = SectionHeader(index);
        std::copy(sourceHeader, sourceHeader + pe::kSectionHeaderSize, header);
        Put32(header + pe::kVirtualSize, section.virtualSize);
        Put32(header + pe::kVirtualAddress, section.virtualAddress);
        Put32(header + pe::kSizeOfRawData, section.rawSize);
        Put32(header + pe::kPointerToRawData, section.rawPointer);
    }

    const ImageModel& model_;
    ImageLayout& layout_;
};

}  // namespace

ImageLayoutStatus LayOutImage(const ImageModel& model, const ResourceKey& lastLeaf, ImageLayout& layout) {
    for (const ResourceLeaf& leaf : model.Leaves()) {
        if (leaf.data.size > 0xFFFFFFFFu) return ImageLayoutStatus::TooLarge;
    }
    const pe::Section& old = model.sections[model.resourceIndex];
    layout.headers = model.headers;
    layout.keptEnd = old.rawPointer;
    layout.movesReloc = model.resourceIndex + 1 < model.sections.size();
    layout.checksumOffset = model.peOffset + pe::kOptionalHeaderStart + pe::kCheckSum;
    std::uint64_t nextRva = old.virtualAddress, nextRaw = old.rawPointer;
    if (layout.movesReloc) {
        layout.reloc = model.sections.back();
        layout.relocSource = layout.reloc.rawPointer;
        layout.reloc.virtualAddress = old.virtualAddress;
        layout.reloc.rawPointer = layout.reloc.rawSize != 0 ? old.rawPointer : 0;
        nextRva = AlignUp(nextRva + layout.reloc.virtualSize, model.sectionAlignment);
        nextRaw = AlignUp(nextRaw + layout.reloc.rawSize, model.fileAlignment);
    }
    // The package is most of the file: Wine maps a section whose bytes start
    // at a page boundary of the file and copies any other into memory at
    // every launch; Windows maps both, so the padding costs it nothing.
    nextRaw = AlignUp(nextRaw, kPageSize);
    if (nextRva > 0xFFFFFFFFu ||
        !LayOutResourceSection(model.Resources(), static_cast<std::uint32_t>(nextRva), lastLeaf,
                               layout.resourceSection)) {
        return ImageLayoutStatus::Unsound;
    }
    const std::uint64_t size = layout.resourceSection.size;
    const std::uint64_t imageSize = AlignUp(nextRva + size, model.sectionAlignment);
    const std::uint64_t rawSize = AlignUp(size, model.fileAlignment);
    const std::uint64_t imageBase = model.OptionalField(pe::kImageBase);
    if (imageBase + kLargestExecutableShift + imageSize > kSystemDllRange || nextRaw + rawSize > 0xFFFFFFFFu) {
        return ImageLayoutStatus::TooLarge;
    }
    layout.resources = old;
    layout.resources.virtualAddress = static_cast<std::uint32_t>(nextRva);
    layout.resources.virtualSize = static_cast<std::uint32_t>(size);
    layout.resources.rawPointer = static_cast<std::uint32_t>(nextRaw);
    layout.resources.rawSize = static_cast<std::uint32_t>(rawSize);
    HeaderPatcher(model, layout).Patch(static_cast<std::uint32_t>(imageSize));
    return ImageLayoutStatus::LaidOut;
}

}  // namespace ZORVANE
