#include "image/image_read_result.h"

namespace ZORVANE {

namespace {

std::string Section(std::uint32_t index, const char* rest) { return "section " + std::to_string(index) + rest; }

std::string Directory(std::uint32_t index, const char* rest) {
    return "data directory " + std::to_string(index) + rest;
}

const char* HeaderReason(ImageReadFailure failure) {
    switch (failure) {
        case ImageReadFailure::LengthUnknown: return "its length cannot be told";
        case ImageReadFailure::NoDosHeader: return "no DOS header (MZ)";
        case ImageReadFailure::PeHeaderOutside: return "PE header lies past the end of the file";
        case ImageReadFailure::NoPeSignature: return "no PE signature";
        case ImageReadFailure::NotPe32: return "not a 32-bit (PE32) image";
        case ImageReadFailure::OptionalHeaderShort: return "optional header too short for its data directories";
        case ImageReadFailure::HeadersTooLarge: return "headers larger than 64 KiB";
        case ImageReadFailure::NoSections: return "no sections";
        case ImageReadFailure::TooManySections: return "more than 96 sections";
        case ImageReadFailure::SectionTablePastHeaders: return "section table lies past the headers";
        case ImageReadFailure::HeadersCut: return "file ends inside the headers";
        case ImageReadFailure::NoResourceDirectory: return "no resource data directory";
        case ImageReadFailure::TooManyDirectories: return "more than 16 data directories";
        case ImageReadFailure::DirectoriesPastOptionalHeader: return "data directories lie past the optional header";
        case ImageReadFailure::FileAlignmentUnsound: return "file alignment is not a power of two up to 64 KiB";
        case ImageReadFailure::SectionAlignmentUnsound: return "section alignment is not a power of two";
        case ImageReadFailure::FileAlignmentPastSectionAlignment: return "file alignment exceeds section alignment";
        default: return nullptr;
    }
}

const char* PlacementReason(ImageReadFailure failure) {
    switch (failure) {
        case ImageReadFailure::SectionsPast4GiB: return "sections end past 4 GiB";
        case ImageReadFailure::ResourcesNotAtSectionStart: return "resource tree does not start a section";
        case ImageReadFailure::ResourcesNotInFile: return "resource section has no data in the file";
        case ImageReadFailure::ResourcesUnaligned: return "resource section is off the file alignment";
        case ImageReadFailure::ResourcesInHeaders: return "resource section overlaps the headers";
        case ImageReadFailure::ResourcesNotLast: return "resource section is not the last";
        case ImageReadFailure::FollowerNotDiscardable: return "section after the resources is not discardable";
        case ImageReadFailure::FollowerNotRelocations: return "section after the resources is not the relocations";
        case ImageReadFailure::EntryPointRebuilt: return "entry point lies in the resources or relocations";
        default: return nullptr;
    }
}

const char* TreeReason(ImageReadFailure failure) {
    switch (failure) {
        case ImageReadFailure::TreeOutsideSection: return "resource tree reaches past its section";
        case ImageReadFailure::TreeTooManyEntries: return "resource tree has more than 4096 entries";
        case ImageReadFailure::TreeIdPast16Bits: return "resource ID past 65535";
        case ImageReadFailure::TreeNamesPastLimits: return "resource names past 65536 or their length past 65536 units";
        case ImageReadFailure::TreeEqualEntries: return "two entries of one resource table are equal";
        case ImageReadFailure::TreeNotThreeLevels: return "resource tree is not three levels deep";
        case ImageReadFailure::TreeDataOutsideSections: return "resource data lies outside every section's file data";
        case ImageReadFailure::TreeTooManyLeaves: return "more than 4096 resources";
        case ImageReadFailure::TreeDataShared: return "two resources share their data";
        case ImageReadFailure::PayloadNotTaken: return "no room among its resources for the payload";
        default: return nullptr;
    }
}

}  // namespace

std::string ImageReadReason(const ImageReadResult& result) {
    const std::uint32_t index = result.index;
    switch (result.failure) {
        case ImageReadFailure::None: return std::string();
        case ImageReadFailure::SectionOutOfOrder: return Section(index, " does not follow the one before it in memory");
        case ImageReadFailure::SectionUnaligned: return Section(index, " is off the section alignment");
        case ImageReadFailure::SectionSizeUnaligned: return Section(index, "'s size in the file is off the file alignment");
        case ImageReadFailure::SectionPastEnd: return Section(index, " lies past the end of the file");
        case ImageReadFailure::SectionDataAfterResources: return Section(index, " lies after the resources in the file");
        case ImageReadFailure::DirectoryOutsideSections: return Directory(index, " lies outside every section");
        case ImageReadFailure::DirectoryRebuilt: return Directory(index, " lies in the resources or relocations");
        default: break;
    }
    if (const char* text = HeaderReason(result.failure)) return text;
    if (const char* text = PlacementReason(result.failure)) return text;
    const char* text = TreeReason(result.failure);
    return text != nullptr ? text : "unnamed check failed";
}

}  // namespace ZORVANE
