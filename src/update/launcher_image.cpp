#include "update/launcher_image.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/payload.h"
#include "update/image_source.h"
#include "update/pe_checksum.h"
#include "update/pe_format.h"
#include "update/resource_directory.h"

namespace ZORVANE {

namespace {

using pe::AlignUp;
using pe::Get16;
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

constexpr std::size_t kCopyBufferSize = 1 << 20;
constexpr std::uint32_t kLargestHeaders = 1 << 16;

const ResourceName kPackageType = ResourceString(kPackageResourceType);
const ResourceName kParamsType = ResourceString(kParamsResourceType);

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Everything the writer decided before the first byte is written.
struct ImagePlan {
    std::vector<std::uint8_t> headers;  // the new [0, SizeOfHeaders)
    std::uint32_t keptEnd = 0;          // source bytes up to here are copied as they are
    pe::Section reloc;                  // the relocations moved in front of the resources
    bool movesReloc = false;
    std::uint32_t relocSource = 0;      // their file offset in the source
    pe::Section resources;              // the new resource section
    std::vector<std::uint8_t> directory;
    std::vector<ResourceLeaf> leaves;
    std::uint32_t checksumOffset = 0;
};

class Planner {
public:
    Planner(const ImageSource& source, const PayloadReplacement& replacement, ImagePlan& plan)
        : source_(source), replacement_(replacement), plan_(plan) {}

    ImageWriteStatus Make() {
        if (!ReadHeaders() || !ReadSections() || !FindResources()) return ImageWriteStatus::SourceDamaged;
        if (!ReadResourceLeaves(source_, sections_, sections_[resourceIndex_], plan_.leaves)) {
            return ImageWriteStatus::SourceDamaged;
        }
        if (replacement_.package != nullptr && replacement_.packageSize > 0xFFFFFFFFu) {
            return ImageWriteStatus::TooLarge;
        }
        ApplyReplacement();
        return LayOut();
    }

private:
    std::uint8_t* Optional() { return plan_.headers.data() + peOffset_ + pe::kOptionalHeaderStart; }
    std::uint8_t* Directory(std::uint32_t index) { return Optional() + pe::kDataDirectories + 8 * index; }
    std::uint8_t* SectionHeader(std::size_t index) {
        return plan_.headers.data() + sectionTable_ + index * pe::kSectionHeaderSize;
    }

    bool ReadHeaders() {
        std::uint8_t dos[pe::kDosHeaderSize];
        if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
        peOffset_ = Get32(dos + pe::kNewHeaderPointer);
        std::uint8_t fixed[pe::kOptionalHeaderStart + pe::kDataDirectories];
        if (!source_.Read(peOffset_, fixed, sizeof fixed) || Get32(fixed) != pe::kSignature ||
            Get16(fixed + pe::kOptionalHeaderStart) != pe::kPe32Magic) {
            return false;
        }
        const std::uint32_t optionalSize = Get16(fixed + pe::kFileHeaderStart + pe::kSizeOfOptionalHeader);
        sectionCount_ = Get16(fixed + pe::kFileHeaderStart + pe::kNumberOfSections);
        const std::uint32_t headersSize = Get32(fixed + pe::kOptionalHeaderStart + pe::kSizeOfHeaders);
        sectionTable_ = std::uint64_t{peOffset_} + pe::kOptionalHeaderStart + optionalSize;
        if (optionalSize < pe::kDataDirectories || headersSize > kLargestHeaders || sectionCount_ == 0 ||
            sectionCount_ > pe::kMaxSections || sectionTable_ + sectionCount_ * pe::kSectionHeaderSize > headersSize) {
            return false;
        }
        plan_.headers.resize(headersSize);
        if (!source_.Read(0, plan_.headers.data(), headersSize)) return false;
        directoryCount_ = Get32(Optional() + pe::kNumberOfRvaAndSizes);
        sectionAlignment_ = Get32(Optional() + pe::kSectionAlignment);
        fileAlignment_ = Get32(Optional() + pe::kFileAlignment);
        plan_.checksumOffset = peOffset_ + pe::kOptionalHeaderStart + pe::kCheckSum;
        return directoryCount_ > pe::kResourceDirectory && directoryCount_ <= pe::kMaxDataDirectories &&
               pe::kDataDirectories + 8 * directoryCount_ <= optionalSize && IsPowerOfTwo(fileAlignment_) &&
               IsPowerOfTwo(sectionAlignment_) && fileAlignment_ <= 0x10000 &&
               fileAlignment_ <= sectionAlignment_;
    }

    // Sections ascend in memory without overlap and lie in the file.
    bool ReadSections() {
        std::uint64_t end = 0;
        for (std::size_t i = 0; i < sectionCount_; ++i) {
            const std::uint8_t* header = SectionHeader(i);
            pe::Section section;
            section.virtualAddress = Get32(header + pe::kVirtualAddress);
            section.rawSize = Get32(header + pe::kSizeOfRawData);
            section.rawPointer = Get32(header + pe::kPointerToRawData);
            section.characteristics = Get32(header + pe::kSectionCharacteristics);
            const std::uint32_t virtualSize = Get32(header + pe::kVirtualSize);
            section.virtualSize = virtualSize != 0 ? virtualSize : section.rawSize;
            if (section.virtualAddress < end || (section.rawSize != 0 && !source_.Holds(section.rawPointer, section.rawSize))) {
                return false;
            }
            end = std::uint64_t{section.virtualAddress} + section.virtualSize;
            sections_.push_back(section);
        }
        return end <= 0xFFFFFFFFu;
    }

    bool Intersects(std::uint32_t directory, const pe::Section& section) {
        if (directory >= directoryCount_) return false;
        const std::uint64_t rva = Get32(Directory(directory)), size = Get32(Directory(directory) + 4);
        if (rva == 0 && size == 0) return false;
        return rva < std::uint64_t{section.virtualAddress} + section.virtualSize &&
               section.virtualAddress < rva + std::max<std::uint64_t>(size, 1);
    }

    bool Contains(std::uint32_t directory, const pe::Section& section) {
        if (directory >= directoryCount_) return false;
        const std::uint64_t rva = Get32(Directory(directory)), size = Get32(Directory(directory) + 4);
        return rva >= section.virtualAddress && rva + size <= std::uint64_t{section.virtualAddress} + section.virtualSize;
    }

    // The resource section is rebuilt whole, so its tree must start it, and
    // only the relocations (which nothing refers to by address) may follow
    // it: they are moved in front of it so the resources, and with them the
    // package, end the file. A launcher made from a made launcher then keeps
    // the same layout and does not grow.
    bool FindResources() {
        const std::uint32_t rva = Get32(Directory(pe::kResourceDirectory));
        resourceIndex_ = sections_.size();
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            if (sections_[i].virtualAddress == rva && rva != 0) resourceIndex_ = i;
        }
        if (resourceIndex_ == sections_.size()) return false;
        const pe::Section& resources = sections_[resourceIndex_];
        if (resources.rawSize == 0 || resources.rawPointer % fileAlignment_ != 0 ||
            resources.rawPointer < plan_.headers.size()) {
            return false;
        }
        const std::size_t following = sections_.size() - resourceIndex_ - 1;
        if (following > 1) return false;
        if (following == 1) {
            plan_.reloc = sections_.back();
            plan_.movesReloc = true;
            plan_.relocSource = plan_.reloc.rawPointer;
            if ((plan_.reloc.characteristics & pe::kMemoryDiscardable) == 0 ||
                !Contains(pe::kBaseRelocationDirectory, plan_.reloc)) {
                return false;
            }
        }
        const std::uint32_t entryPoint = Get32(Optional() + pe::kAddressOfEntryPoint);
        for (std::size_t i = resourceIndex_; i < sections_.size(); ++i) {
            const pe::Section& moved = sections_[i];
            if (entryPoint >= moved.virtualAddress && entryPoint - moved.virtualAddress < moved.virtualSize) return false;
            for (std::uint32_t d = 0; d < directoryCount_; ++d) {
                const bool expected = d == pe::kResourceDirectory || d == pe::kSecurityDirectory ||
                                      (d == pe::kBaseRelocationDirectory && plan_.movesReloc);
                if (!expected && Intersects(d, moved)) return false;
            }
        }
        for (std::size_t i = 0; i < resourceIndex_; ++i) {
            if (sections_[i].rawSize != 0 &&
                std::uint64_t{sections_[i].rawPointer} + sections_[i].rawSize > resources.rawPointer) {
                return false;
            }
        }
        plan_.keptEnd = resources.rawPointer;
        return true;
    }

    // type/id in the payload's language.
    static bool IsPayload(const ResourceLeaf& leaf, const ResourceName& type, std::uint16_t id) {
        return CompareResourceNames(leaf.type, type) == 0 && !leaf.name.isString && leaf.name.id == id &&
               !leaf.language.isString && leaf.language.id == kPayloadLanguage;
    }

    void Replace(const ResourceName& type, std::uint16_t id, ResourceOrigin origin, std::uint64_t size) {
        ResourceLeaf leaf;
        leaf.type = type;
        leaf.name = ResourceId(id);
        leaf.language = ResourceId(kPayloadLanguage);
        for (ResourceLeaf& existing : plan_.leaves) {
            if (IsPayload(existing, type, id)) {
                existing = leaf;
                existing.origin = origin;
                existing.size = size;
                return;
            }
        }
        leaf.origin = origin;
        leaf.size = size;
        plan_.leaves.push_back(leaf);
    }

    // Integer type, name and language.
    static bool Is(const ResourceLeaf& leaf, const ResourceBytes& resource) {
        return !leaf.type.isString && leaf.type.id == resource.type && !leaf.name.isString &&
               leaf.name.id == resource.name && !leaf.language.isString && leaf.language.id == resource.language;
    }

    void ApplyResources() {
        auto dropped = [this](const ResourceLeaf& leaf) {
            return !leaf.type.isString && std::find(replacement_.droppedTypes.begin(), replacement_.droppedTypes.end(),
                                                    leaf.type.id) != replacement_.droppedTypes.end();
        };
        plan_.leaves.erase(std::remove_if(plan_.leaves.begin(), plan_.leaves.end(), dropped), plan_.leaves.end());
        for (std::size_t i = 0; i < replacement_.resources.size(); ++i) {
            const ResourceBytes& resource = replacement_.resources[i];
            auto same = [&resource](const ResourceLeaf& leaf) { return Is(leaf, resource); };
            auto found = std::find_if(plan_.leaves.begin(), plan_.leaves.end(), same);
            ResourceLeaf& leaf = found != plan_.leaves.end() ? *found : plan_.leaves.emplace_back();
            leaf = ResourceLeaf();
            leaf.type = ResourceId(resource.type);
            leaf.name = ResourceId(resource.name);
            leaf.language = ResourceId(resource.language);
            leaf.origin = ResourceOrigin::Bytes;
            leaf.size = resource.data.size();
            leaf.bytesIndex = i;
        }
    }

    void ApplyReplacement() {
        ApplyResources();
        if (replacement_.package != nullptr) {
            Replace(kPackageType, kPackageResourceId, ResourceOrigin::Package, replacement_.packageSize);
        }
        if (replacement_.replaceParams) {
            Replace(kParamsType, kParamsResourceId, ResourceOrigin::Params, replacement_.params.size() + 1);
        }
        // The package is the bulk of a launcher: it ends the file.
        for (ResourceLeaf& leaf : plan_.leaves) {
            leaf.placedLast = IsPayload(leaf, kPackageType, kPackageResourceId);
        }
    }

    ImageWriteStatus LayOut() {
        const pe::Section& old = sections_[resourceIndex_];
        std::uint64_t nextRva = old.virtualAddress, nextRaw = old.rawPointer;
        if (plan_.movesReloc) {
            plan_.reloc.virtualAddress = old.virtualAddress;
            plan_.reloc.rawPointer = plan_.reloc.rawSize != 0 ? old.rawPointer : 0;
            nextRva = AlignUp(nextRva + plan_.reloc.virtualSize, sectionAlignment_);
            nextRaw = AlignUp(nextRaw + plan_.reloc.rawSize, fileAlignment_);
        }
        std::uint64_t size = 0;
        if (nextRva > 0xFFFFFFFFu ||
            !LayOutResourceSection(plan_.leaves, static_cast<std::uint32_t>(nextRva), plan_.directory, size)) {
            return ImageWriteStatus::SourceDamaged;
        }
        const std::uint64_t imageSize = AlignUp(nextRva + size, sectionAlignment_);
        const std::uint64_t rawSize = AlignUp(size, fileAlignment_);
        const std::uint64_t imageBase = Get32(Optional() + pe::kImageBase);
        if (imageBase + kLargestExecutableShift + imageSize > kSystemDllRange ||
            nextRaw + rawSize > 0xFFFFFFFFu) {
            return ImageWriteStatus::TooLarge;
        }
        plan_.resources = old;
        plan_.resources.virtualAddress = static_cast<std::uint32_t>(nextRva);
        plan_.resources.virtualSize = static_cast<std::uint32_t>(size);
        plan_.resources.rawPointer = static_cast<std::uint32_t>(nextRaw);
        plan_.resources.rawSize = static_cast<std::uint32_t>(rawSize);
        UpdateHeaders(static_cast<std::uint32_t>(imageSize));
        return ImageWriteStatus::Written;
    }

    void PutSection(std::size_t index, const std::uint8_t* sourceHeader, const pe::Section& section) {
        std::uint8_t* header = SectionHeader(index);
        std::copy(sourceHeader, sourceHeader + pe::kSectionHeaderSize, header);
        Put32(header + pe::kVirtualSize, section.virtualSize);
        Put32(header + pe::kVirtualAddress, section.virtualAddress);
        Put32(header + pe::kSizeOfRawData, section.rawSize);
        Put32(header + pe::kPointerToRawData, section.rawPointer);
    }

    void UpdateHeaders(std::uint32_t imageSize) {
        std::uint8_t resourceHeader[pe::kSectionHeaderSize], relocHeader[pe::kSectionHeaderSize];
        std::copy(SectionHeader(resourceIndex_), SectionHeader(resourceIndex_ + 1), resourceHeader);
        const pe::Section& old = sections_[resourceIndex_];
        std::size_t index = resourceIndex_;
        if (plan_.movesReloc) {
            std::copy(SectionHeader(index + 1), SectionHeader(index + 2), relocHeader);
            PutSection(index++, relocHeader, plan_.reloc);
            std::uint8_t* relocations = Directory(pe::kBaseRelocationDirectory);
            Put32(relocations, Get32(relocations) - sections_.back().virtualAddress + plan_.reloc.virtualAddress);
        }
        PutSection(index, resourceHeader, plan_.resources);

        std::uint8_t* optional = Optional();
        Put32(optional + pe::kSizeOfImage, imageSize);
        Put32(optional + pe::kCheckSum, 0);
        if (old.characteristics & pe::kContainsInitializedData) {
            Put32(optional + pe::kSizeOfInitializedData,
                  Get32(optional + pe::kSizeOfInitializedData) - old.rawSize + plan_.resources.rawSize);
        }
        Put32(Directory(pe::kResourceDirectory), plan_.resources.virtualAddress);
        Put32(Directory(pe::kResourceDirectory) + 4, plan_.resources.virtualSize);
        // A certificate lies past the sections and signed the old bytes.
        if (directoryCount_ > pe::kSecurityDirectory) {
            Put32(Directory(pe::kSecurityDirectory), 0);
            Put32(Directory(pe::kSecurityDirectory) + 4, 0);
        }
        // So does a COFF symbol table, which the new file does not carry.
        std::uint8_t* fileHeader = plan_.headers.data() + peOffset_ + pe::kFileHeaderStart;
        if (Get32(fileHeader + pe::kPointerToSymbolTable) >= plan_.keptEnd) {
            Put32(fileHeader + pe::kPointerToSymbolTable, 0);
            Put32(fileHeader + pe::kNumberOfSymbols, 0);
        }
    }

    const ImageSource& source_;
    const PayloadReplacement& replacement_;
    ImagePlan& plan_;
    std::uint32_t peOffset_ = 0;
    std::uint64_t sectionTable_ = 0;
    std::size_t sectionCount_ = 0;
    std::uint32_t directoryCount_ = 0;
    std::uint32_t sectionAlignment_ = 0, fileAlignment_ = 0;
    std::vector<pe::Section> sections_;
    std::size_t resourceIndex_ = 0;
};

// Sequential output through one bounded buffer, summed as it goes.
class ImageWriter {
public:
    ImageWriter(const ImageSource& source, std::FILE* output, ImageWriteProgress progress, void* context)
        : source_(source), output_(output), progress_(progress), context_(context),
          buffer_(new std::uint8_t[kCopyBufferSize]) {}

    ImageWriteStatus Write(const ImagePlan& plan, const PayloadReplacement& replacement) {
        Put(plan.headers.data(), plan.headers.size());
        CopySource(plan.headers.size(), plan.keptEnd - plan.headers.size());
        if (plan.movesReloc) CopySource(plan.relocSource, plan.reloc.rawSize);
        PadTo(plan.resources.rawPointer);
        Put(plan.directory.data(), plan.directory.size());
        for (bool last : {false, true}) {
            for (const ResourceLeaf& leaf : plan.leaves) {
                if (leaf.placedLast != last) continue;
                PadTo(std::uint64_t{plan.resources.rawPointer} + leaf.offsetInSection);
                CopyLeaf(leaf, replacement);
            }
        }
        PadTo(std::uint64_t{plan.resources.rawPointer} + plan.resources.rawSize);
        if (status_ != ImageWriteStatus::Written) return status_;
        return PatchChecksum(plan.checksumOffset);
    }

private:
    void Put(const std::uint8_t* data, std::size_t length) {
        if (status_ != ImageWriteStatus::Written || length == 0) return;
        checksum_.Add(data, length);
        if (std::fwrite(data, 1, length, output_) != length) status_ = ImageWriteStatus::WriteFailed;
        written_ += length;
    }

    void PadTo(std::uint64_t offset) {
        std::fill(buffer_.get(), buffer_.get() + kCopyBufferSize, 0);
        while (status_ == ImageWriteStatus::Written && written_ < offset) {
            Put(buffer_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(offset - written_, kCopyBufferSize)));
        }
    }

    void CopySource(std::uint64_t offset, std::uint64_t length) {
        while (status_ == ImageWriteStatus::Written && length > 0) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyBufferSize));
            if (!source_.Read(offset, buffer_.get(), piece)) {
                status_ = ImageWriteStatus::ReadFailed;
                return;
            }
            Put(buffer_.get(), piece);
            offset += piece;
            length -= piece;
        }
    }

    void CopyPackage(std::FILE* package, std::uint64_t length) {
        std::uint64_t done = 0;
        while (status_ == ImageWriteStatus::Written && done < length) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kCopyBufferSize));
            if (std::fread(buffer_.get(), 1, piece, package) != piece) {
                status_ = ImageWriteStatus::ReadFailed;
                return;
            }
            Put(buffer_.get(), piece);
            done += piece;
            if (progress_ != nullptr) progress_(done, length, context_);
        }
    }

    void CopyLeaf(const ResourceLeaf& leaf, const PayloadReplacement& replacement) {
        switch (leaf.origin) {
            case ResourceOrigin::Source: CopySource(leaf.sourceOffset, leaf.size); break;
            case ResourceOrigin::Package: CopyPackage(replacement.package, leaf.size); break;
            case ResourceOrigin::Params:
                Put(reinterpret_cast<const std::uint8_t*>(replacement.params.c_str()), replacement.params.size() + 1);
                break;
            case ResourceOrigin::Bytes: {
                const std::vector<std::uint8_t>& data = replacement.resources[leaf.bytesIndex].data;
                Put(data.data(), data.size());
                break;
            }
        }
    }

    ImageWriteStatus PatchChecksum(std::uint32_t offset) {
        std::uint8_t field[4];
        Put32(field, checksum_.Finish(static_cast<std::uint32_t>(written_)));
        if (std::fflush(output_) != 0 || std::fseek(output_, static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fwrite(field, 1, sizeof field, output_) != sizeof field || std::fflush(output_) != 0) {
            return ImageWriteStatus::WriteFailed;
        }
        return ImageWriteStatus::Written;
    }

    const ImageSource& source_;
    std::FILE* output_;
    ImageWriteProgress progress_;
    void* context_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    PeChecksum checksum_;
    std::uint64_t written_ = 0;
    ImageWriteStatus status_ = ImageWriteStatus::Written;
};

}  // namespace

ImageWriteStatus CheckLauncherImage(std::FILE* source, const PayloadReplacement& replacement) {
    const ImageSource image(source);
    if (!image.IsOpen()) return ImageWriteStatus::ReadFailed;
    ImagePlan plan;
    return Planner(image, replacement, plan).Make();
}

ImageWriteStatus FindLauncherResource(std::FILE* source, const char* type, std::uint16_t name,
                                      std::uint16_t language, ResourcePlace& place) {
    const ImageSource image(source);
    if (!image.IsOpen()) return ImageWriteStatus::ReadFailed;
    ImagePlan plan;
    const ImageWriteStatus checked = Planner(image, {}, plan).Make();
    if (checked != ImageWriteStatus::Written) return checked;
    const ResourceName wanted = ResourceString(type);
    place = ResourcePlace();
    for (const ResourceLeaf& leaf : plan.leaves) {
        if (CompareResourceNames(leaf.type, wanted) == 0 && !leaf.name.isString && leaf.name.id == name &&
            !leaf.language.isString && leaf.language.id == language) {
            place = {true, leaf.sourceOffset, leaf.size};
        }
    }
    return ImageWriteStatus::Written;
}

ImageWriteStatus WriteLauncherImage(std::FILE* source, const PayloadReplacement& replacement,
                                    std::FILE* output, ImageWriteProgress progress, void* progressContext) {
    const ImageSource image(source);
    if (!image.IsOpen()) return ImageWriteStatus::ReadFailed;
    ImagePlan plan;
    const ImageWriteStatus planned = Planner(image, replacement, plan).Make();
    if (planned != ImageWriteStatus::Written) return planned;
    ImageWriter writer(image, output, progress, progressContext);
    return writer.Write(plan, replacement);
}

}  // namespace ZORVANE
