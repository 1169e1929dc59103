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

using Failure = ImageReadFailure;

constexpr ImageReadResult kRead{};

ImageReadResult Fail(Failure failure, std::uint32_t index = 0) { return {failure, index}; }

class ImageReader {
public:
    explicit ImageReader(ImageModel& model) : model_(model), source_(model.source) {}

    // Everything but the resource tree.
    ImageReadResult Read() {
        ImageReadResult result = ReadHeaders();
        if (result.Passed()) result = ReadSections();
        if (result.Passed()) result = DirectoriesInPlace();
        return result.Passed() ? FindResources() : result;
    }

private:
    ImageReadResult ReadHeaders() {
        std::uint8_t dos[pe::kDosHeaderSize];
        if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return Fail(Failure::NoDosHeader);
        const std::uint32_t peOffset = Get32(dos + pe::kNewHeaderPointer);
        std::uint8_t fixed[pe::kOptionalHeaderStart + pe::kDataDirectories];
        if (!source_.Read(peOffset, fixed, sizeof fixed)) return Fail(Failure::PeHeaderOutside);
        if (Get32(fixed) != pe::kSignature) return Fail(Failure::NoPeSignature);
        if (Get16(fixed + pe::kOptionalHeaderStart) != pe::kPe32Magic) return Fail(Failure::NotPe32);
        const std::uint32_t optionalSize = Get16(fixed + pe::kFileHeaderStart + pe::kSizeOfOptionalHeader);
        sectionCount_ = Get16(fixed + pe::kFileHeaderStart + pe::kNumberOfSections);
        const std::uint32_t headersSize = Get32(fixed + pe::kOptionalHeaderStart + pe::kSizeOfHeaders);
        const std::uint64_t sectionTable = std::uint64_t{peOffset} + pe::kOptionalHeaderStart + optionalSize;
        if (optionalSize < pe::kDataDirectories) return Fail(Failure::OptionalHeaderShort);
        if (headersSize > kLargestHeaders) return Fail(Failure::HeadersTooLarge);
        if (sectionCount_ == 0) return Fail(Failure::NoSections);
        if (sectionCount_ > pe::kMaxSections) return Fail(Failure::TooManySections);
        if (sectionTable + sectionCount_ * pe::kSectionHeaderSize > headersSize) {
            return Fail(Failure::SectionTablePastHeaders);
        }
        model_.headers.resize(headersSize);
        if (!source_.Read(0, model_.headers.data(), headersSize)) return Fail(Failure::HeadersCut);
        model_.peOffset = peOffset;
        model_.sectionTable = static_cast<std::uint32_t>(sectionTable);
        return ReadLayoutFields(optionalSize);
    }

    ImageReadResult ReadLayoutFields(std::uint32_t optionalSize) {
        model_.directoryCount = model_.OptionalField(pe::kNumberOfRvaAndSizes);
        model_.sectionAlignment = model_.OptionalField(pe::kSectionAlignment);
        model_.fileAlignment = model_.OptionalField(pe::kFileAlignment);
        if (model_.directoryCount <= pe::kResourceDirectory) return Fail(Failure::NoResourceDirectory);
        if (model_.directoryCount > pe::kMaxDataDirectories) return Fail(Failure::TooManyDirectories);
        if (pe::kDataDirectories + 8 * model_.directoryCount > optionalSize) {
            return Fail(Failure::DirectoriesPastOptionalHeader);
        }
        if (!IsPowerOfTwo(model_.fileAlignment) || model_.fileAlignment > 0x10000) {
            return Fail(Failure::FileAlignmentUnsound);
        }
        if (!IsPowerOfTwo(model_.sectionAlignment)) return Fail(Failure::SectionAlignmentUnsound);
        if (model_.fileAlignment > model_.sectionAlignment) return Fail(Failure::FileAlignmentPastSectionAlignment);
        return kRead;
    }

    // Sections ascend in memory without overlap, aligned as the headers say,
    // and lie in the file.
    ImageReadResult ReadSections() {
        std::uint64_t end = 0;
        for (std::uint32_t i = 0; i < sectionCount_; ++i) {
            const std::uint8_t* header = model_.headers.data() + model_.sectionTable + i * pe::kSectionHeaderSize;
            pe::Section section;
            section.virtualAddress = Get32(header + pe::kVirtualAddress);
            section.rawSize = Get32(header + pe::kSizeOfRawData);
            section.rawPointer = Get32(header + pe::kPointerToRawData);
            section.characteristics = Get32(header + pe::kSectionCharacteristics);
            const std::uint32_t virtualSize = Get32(header + pe::kVirtualSize);
            section.virtualSize = virtualSize != 0 ? virtualSize : section.rawSize;
            if (section.virtualAddress < end) return Fail(Failure::SectionOutOfOrder, i + 1);
            if (section.virtualAddress % model_.sectionAlignment != 0) return Fail(Failure::SectionUnaligned, i + 1);
            if (section.rawSize % model_.fileAlignment != 0) return Fail(Failure::SectionSizeUnaligned, i + 1);
            if (section.rawSize != 0 && !source_.Holds(section.rawPointer, section.rawSize)) {
                return Fail(Failure::SectionPastEnd, i + 1);
            }
            end = std::uint64_t{section.virtualAddress} + section.virtualSize;
            model_.sections.push_back(section);
        }
        return end <= 0xFFFFFFFFu ? kRead : Fail(Failure::SectionsPast4GiB);
    }

    // Every data directory that is set lies in the headers or in one section
    // (the certificate's slot holds a file offset, not an address): one
    // that points elsewhere would point into the rebuilt resources.
    ImageReadResult DirectoriesInPlace() const {
        for (std::uint32_t d = 0; d < model_.directoryCount; ++d) {
            const std::uint64_t rva = model_.DirectoryAddress(d), size = model_.DirectorySize(d);
            if (d == pe::kSecurityDirectory || (rva == 0 && size == 0)) continue;
            const bool inHeaders = Within(rva, size, 0, model_.headers.size());
            const bool inSection =
                std::any_of(model_.sections.begin(), model_.sections.end(),
                            [&](const pe::Section& s) { return Within(rva, size, s.virtualAddress, End(s)); });
            if (!inHeaders && !inSection) return Fail(Failure::DirectoryOutsideSections, d);
        }
        return kRead;
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
    ImageReadResult FindResources() {
        const std::vector<pe::Section>& sections = model_.sections;
        const std::uint32_t rva = model_.DirectoryAddress(pe::kResourceDirectory);
        std::size_t index = sections.size();
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (sections[i].virtualAddress == rva && rva != 0) index = i;
        }
        if (index == sections.size()) return Fail(Failure::ResourcesNotAtSectionStart);
        model_.resourceIndex = index;
        const pe::Section& resources = sections[index];
        if (resources.rawSize == 0) return Fail(Failure::ResourcesNotInFile);
        if (resources.rawPointer % model_.fileAlignment != 0) return Fail(Failure::ResourcesUnaligned);
        if (resources.rawPointer < model_.headers.size()) return Fail(Failure::ResourcesInHeaders);
        const std::size_t following = sections.size() - index - 1;
        if (following > 1) return Fail(Failure::ResourcesNotLast);
        const bool movesReloc = following == 1;
        if (movesReloc && (sections.back().characteristics & pe::kMemoryDiscardable) == 0) {
            return Fail(Failure::FollowerNotDiscardable);
        }
        if (movesReloc && !Contains(pe::kBaseRelocationDirectory, sections.back())) {
            return Fail(Failure::FollowerNotRelocations);
        }
        const ImageReadResult rebuilt = NothingPointsIntoRebuilt(index, movesReloc);
        return rebuilt.Passed() ? NothingFollowsInFile(index) : rebuilt;
    }

    // Neither the entry point nor a directory but theirs lies in what is rebuilt.
    ImageReadResult NothingPointsIntoRebuilt(std::size_t index, bool movesReloc) const {
        const std::vector<pe::Section>& sections = model_.sections;
        const std::uint32_t entryPoint = model_.OptionalField(pe::kAddressOfEntryPoint);
        for (std::size_t i = index; i < sections.size(); ++i) {
            const pe::Section& moved = sections[i];
            if (entryPoint >= moved.virtualAddress && entryPoint < End(moved)) return Fail(Failure::EntryPointRebuilt);
            for (std::uint32_t d = 0; d < model_.directoryCount; ++d) {
                const bool expected = d == pe::kResourceDirectory || d == pe::kSecurityDirectory ||
                                      (d == pe::kBaseRelocationDirectory && movesReloc);
                if (!expected && Intersects(d, moved)) return Fail(Failure::DirectoryRebuilt, d);
            }
        }
        return kRead;
    }

    // The kept sections' data ends where the resources' starts.
    ImageReadResult NothingFollowsInFile(std::size_t index) const {
        const std::vector<pe::Section>& sections = model_.sections;
        for (std::size_t i = 0; i < index; ++i) {
            if (sections[i].rawSize != 0 &&
                std::uint64_t{sections[i].rawPointer} + sections[i].rawSize > sections[index].rawPointer) {
                return Fail(Failure::SectionDataAfterResources, static_cast<std::uint32_t>(i + 1));
            }
        }
        return kRead;
    }

    ImageModel& model_;
    const ImageSource& source_;
    std::uint32_t sectionCount_ = 0;
};

}  // namespace

ImageReadResult ReadImage(std::FILE* source, ImageModel& model) {
    model = ImageModel();
    model.source = ImageSource(source);
    if (!model.source.IsOpen()) return Fail(Failure::LengthUnknown);
    const ImageReadResult placed = ImageReader(model).Read();
    if (!placed.Passed()) return placed;
    return ReadResourceTree(model.source, model.sections, model.sections[model.resourceIndex], model.resources_);
}

}  // namespace ZORVANE
