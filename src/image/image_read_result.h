// What reading a source launcher found: the first check that failed, so that
// a person is told why a file is refused. Sections are counted from 1 as the
// section table lists them; data directories go by their slot (6 is debug).
#pragma once

#include <cstdint>
#include <string>

namespace ZORVANE {

enum class ImageReadFailure : std::uint8_t {
    None,
    LengthUnknown,  // not damage: the file's length could not be told
    // Headers.
    NoDosHeader,
    PeHeaderOutside,
    NoPeSignature,
    NotPe32,
    OptionalHeaderShort,
    HeadersTooLarge,
    NoSections,
    TooManySections,
    SectionTablePastHeaders,
    HeadersCut,
    NoResourceDirectory,
    TooManyDirectories,
    DirectoriesPastOptionalHeader,
    FileAlignmentUnsound,
    SectionAlignmentUnsound,
    FileAlignmentPastSectionAlignment,
    // Sections and data directories (index: the section or the slot).
    SectionOutOfOrder,
    SectionUnaligned,
    SectionSizeUnaligned,
    SectionPastEnd,
    SectionsPast4GiB,
    DirectoryOutsideSections,
    // Where the resources lie: they are rebuilt, the rest is kept.
    ResourcesNotAtSectionStart,
    ResourcesNotInFile,
    ResourcesUnaligned,
    ResourcesInHeaders,
    ResourcesNotLast,
    FollowerNotDiscardable,
    FollowerNotRelocations,
    EntryPointRebuilt,
    DirectoryRebuilt,
    SectionDataAfterResources,
    // The resource tree.
    TreeOutsideSection,
    TreeTooManyEntries,
    TreeIdPast16Bits,
    TreeNamesPastLimits,
    TreeEqualEntries,
    TreeNotThreeLevels,
    TreeDataOutsideSections,
    TreeTooManyLeaves,
    TreeDataShared,
    // The model full: the payload finds no room.
    PayloadNotTaken,
};

struct [[nodiscard]] ImageReadResult {
    ImageReadFailure failure = ImageReadFailure::None;
    std::uint32_t index = 0;  // the section (from 1) or data directory the check names

    bool Passed() const { return failure == ImageReadFailure::None; }
};

// The short text of the check that failed, "data directory 6 lies outside
// every section"; empty for a good read.
std::string ImageReadReason(const ImageReadResult& result);

}  // namespace ZORVANE
