#include "image/image_reader.h"

#include <algorithm>

#include "image/resource_reader.h"

namespace ZORVANE {

namespace {

using pe::Get16;
using pe::Get32;

constexpr std::uint32_t kLargestHeaders = 1 << 16;

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Where a section ends in memory.
std::uint64_t End(const pe::Section& section) { return std::uint64_t{section.virtualAddress} + section.virtualSize; }

// One rule for every region: a directory lies in [start, end) when its first
// byte does, so an empty one at the very end lies outside, as Intersects
// has it.
bool Within(std::uint64_t rva, std::uint64_t size, std::uint64_t start, std::uint64_t end) {
    return rva >= start && rva < end && rva + size <= end;
}

class ImageReader {
public:
    explicit ImageReader(ImageModel& model) : model_(model), source_(model.source) {}

    bool Read() {
        return ReadHeaders() && ReadSections() && DirectoriesInPlace() && FindResources() &&
               ReadResourceTree(source_, model_.sections, model_.sections[model_.resourceIndex], model_.resources);
    }

private:
    bool ReadHeaders() {
        std::uint8_t dos[pe::kDosHeaderSize];
        if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
        const std::uint32_t peOffset = Get32(dos + pe::kNewHeaderPointer);
        std::uint8_t fixed[pe::kOptionalHeaderStart + pe::kDataDirectories];
        if (!source_.Read(peOffset, fixed, sizeof fixed) || Get32(fixed) != pe::kSignature ||
            Get16(fixed + pe::kOptionalHeaderStart) != pe::kPe32Magic) {
            return false;
        }
        const std::uint32_t optionalSize = Get16(fixed + pe::kFileHeaderStart + pe::kSizeOfOptionalHeader);
        sectionCount_ = Get16(fixed + pe::kFileHeaderStart + pe::kNumberOfSections);
        const std::uint32_t headersSize = Get32(fixed + pe::kOptionalHeaderStart + pe::kSizeOfHeaders);
        const std::uint64_t sectionTable = std::uint64_t{peOffset} + pe::kOptionalHeaderStart + optionalSize;
        if (optionalSize < pe::kDataDirectories || headersSize > kLargestHeaders || sectionCount_ == 0 ||
            sectionCount_ > pe::kMaxSections || sectionTable + sectionCount_ * pe::kSectionHeaderSize > headersSize) {
            return false;
        }
        model_.headers.resize(headersSize);
        if (!source_.Read(0, model_.headers.data(), headersSize)) return false;
        model_.peOffset = peOffset;
        model_.sectionTable = static_cast<std::uint32_t>(sectionTable);
        model_.directoryCount = model_.OptionalField(pe::kNumberOfRvaAndSizes);
        model_.sectionAlignment = model_.OptionalField(pe::kSectionAlignment);
        model_.fileAlignment = model_.OptionalField(pe::kFileAlignment);
        return model_.directoryCount > pe::kResourceDirectory && model_.directoryCount <= pe::kMaxDataDirectories &&
               pe::kDataDirectories + 8 * model_.directoryCount <= optionalSize && IsPowerOfTwo(model_.fileAlignment) &&
               IsPowerOfTwo(model_.sectionAlignment) && model_.fileAlignment <= 0x10000 &&
               model_.fileAlignment <= model_.sectionAlignment;
    }

    // Sections ascend in memory without overlap, aligned as the headers say,
    // and lie in the file.
    bool ReadSections() {
        std::uint64_t end = 0;
        for (std::size_t i = 0; i < sectionCount_; ++i) {
            const std::uint8_t* header = model_.headers.data() + model_.sectionTable + i * pe::kSectionHeaderSize;
            pe::Section section;
            section.virtualAddress = Get32(header + pe::kVirtualAddress);
            section.rawSize = Get32(header + pe::kSizeOfRawData);
            section.rawPointer = Get32(header + pe::kPointerToRawData);
            section.characteristics = Get32(header + pe::kSectionCharacteristics);
            const std::uint32_t virtualSize = Get32(header + pe::kVirtualSize);
            section.virtualSize = virtualSize != 0 ? virtualSize : section.rawSize;
            if (section.virtualAddress < end || section.virtualAddress % model_.sectionAlignment != 0 ||
                section.rawSize % model_.fileAlignment != 0 ||
                (section.rawSize != 0 && !source_.Holds(section.rawPointer, section.rawSize))) {
                return false;
            }
            end = std::uint64_t{section.virtualAddress} + section.virtualSize;
            model_.sections.push_back(section);
        }
        return end <= 0xFFFFFFFFu;
    }

    // Every data directory that is set lies in the headers or in one section
    // (the certificate's slot holds a file offset, not an address): one
    // that points elsewhere would point into the rebuilt resources.
    bool DirectoriesInPlace() const {
        for (std::uint32_t d = 0; d < model_.directoryCount; ++d) {
            const std::uint64_t rva = model_.DirectoryAddress(d), size = model_.DirectorySize(d);
            if (d == pe::kSecurityDirectory || (rva == 0 && size == 0)) continue;
            const bool inHeaders = Within(rva, size, 0, model_.headers.size());
            const bool inSection =
                std::any_of(model_.sections.begin(), model_.sections.end(),
                            [&](const pe::Section& s) { return Within(rva, size, s.virtualAddress, End(s)); });
            if (!inHeaders && !inSection) return false;
        }
        return true;
    }

    bool Intersects(std::uint32_t directory, const pe::Section& section) const {
        const std::uint64_t rva = model_.DirectoryAddress(directory), size = model_.DirectorySize(directory);
        if (rva == 0 && size == 0) return false;
        return rva < End(section) && section.virtualAddress < rva + std::max<std::uint64_t>(size, 1);
    }

    bool Contains(std::uint32_t directory, const pe::Section& section) const {
        if (directory >= model_.directoryCount) return false;
        return Within(model_.DirectoryAddress(directory), model_.DirectorySize(directory), section.virtualAddress,
                      End(section));
    }

    // The resource section is rebuilt whole, so its tree must start it, and
    // only the relocations (which nothing refers to by address) may follow
    // it: they are moved in front of it so the resources, and with them the
    // package, end the file. A launcher made from a made launcher then keeps
    // the same layout and does not grow.
    bool FindResources() {
        const std::vector<pe::Section>& sections = model_.sections;
        const std::uint32_t rva = model_.DirectoryAddress(pe::kResourceDirectory);
        std::size_t index = sections.size();
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (sections[i].virtualAddress == rva && rva != 0) index = i;
        }
        if (index == sections.size()) return false;
        model_.resourceIndex = index;
        const pe::Section& resources = sections[index];
        if (resources.rawSize == 0 || resources.rawPointer % model_.fileAlignment != 0 ||
            resources.rawPointer < model_.headers.size()) {
            return false;
        }
        const std::size_t following = sections.size() - index - 1;
        if (following > 1) return false;
        const bool movesReloc = following == 1;
        if (movesReloc && ((sections.back().characteristics & pe::kMemoryDiscardable) == 0 ||
                           !Contains(pe::kBaseRelocationDirectory, sections.back()))) {
            return false;
        }
        const std::uint32_t entryPoint = model_.OptionalField(pe::kAddressOfEntryPoint);
        for (std::size_t i = index; i < sections.size(); ++i) {
            const pe::Section& moved = sections[i];
            if (entryPoint >= moved.virtualAddress && entryPoint < End(moved)) return false;
            for (std::uint32_t d = 0; d < model_.directoryCount; ++d) {
                const bool expected = d == pe::kResourceDirectory || d == pe::kSecurityDirectory ||
                                      (d == pe::kBaseRelocationDirectory && movesReloc);
                if (!expected && Intersects(d, moved)) return false;
            }
        }
        for (std::size_t i = 0; i < index; ++i) {
            if (sections[i].rawSize != 0 &&
                std::uint64_t{sections[i].rawPointer} + sections[i].rawSize > resources.rawPointer) {
                return false;
            }
        }
        return true;
    }

    ImageModel& model_;
    const ImageSource& source_;
    std::size_t sectionCount_ = 0;
};

}  // namespace

ImageWriteStatus ReadImage(std::FILE* source, ImageModel& model) {
    model = ImageModel();
    model.source = ImageSource(source);
    if (!model.source.IsOpen()) return ImageWriteStatus::ReadFailed;
    return ImageReader(model).Read() ? ImageWriteStatus::Written : ImageWriteStatus::SourceDamaged;
}

}  // namespace ZORVANE
