#include "update/source_image.h"

namespace ZORVANE {

namespace {

// The tree has three levels: type, name, language.
constexpr int kLanguageLevel = 2;

bool Fits(DWORD offset, DWORD length, DWORD size) { return offset <= size && length <= size - offset; }

struct ResourceTree {
    const BYTE* base;
    DWORD size;
    DWORD imageSize;

    template <typename T>
    const T* At(DWORD offset) const { return reinterpret_cast<const T*>(base + offset); }

    bool NameIsSound(const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry) const {
        if (!entry.NameIsString) return true;
        if (!Fits(entry.NameOffset, sizeof(WORD), size)) return false;
        const DWORD length = *At<WORD>(entry.NameOffset);
        return Fits(entry.NameOffset + sizeof(WORD), length * sizeof(WCHAR), size);
    }

    bool DataIsSound(DWORD offset) const {
        if (!Fits(offset, sizeof(IMAGE_RESOURCE_DATA_ENTRY), size)) return false;
        const auto* data = At<IMAGE_RESOURCE_DATA_ENTRY>(offset);
        return Fits(data->OffsetToData, data->Size, imageSize);
    }

    // Recursion is bounded by the level, so a looping tree ends too.
    bool LevelIsSound(DWORD offset, int level) const {
        if (!Fits(offset, sizeof(IMAGE_RESOURCE_DIRECTORY), size)) return false;
        const auto* directory = At<IMAGE_RESOURCE_DIRECTORY>(offset);
        const DWORD count = DWORD{directory->NumberOfNamedEntries} + directory->NumberOfIdEntries;
        const DWORD first = offset + sizeof(IMAGE_RESOURCE_DIRECTORY);
        if (!Fits(first, count * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY), size)) return false;
        const auto* entries = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(first);
        for (DWORD index = 0; index < count; ++index) {
            const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry = entries[index];
            if (!NameIsSound(entry)) return false;
            const bool sound = entry.DataIsDirectory
                                   ? level < kLanguageLevel && LevelIsSound(entry.OffsetToDirectory, level + 1)
                                   : level == kLanguageLevel && DataIsSound(entry.OffsetToData);
            if (!sound) return false;
        }
        return true;
    }
};

}  // namespace

bool ResourceTreeIsSound(HMODULE module) {
    const auto* image = reinterpret_cast<const BYTE*>(module);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
    const DWORD imageSize = headers->OptionalHeader.SizeOfImage;
    const IMAGE_DATA_DIRECTORY& directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    if (directory.VirtualAddress == 0 && directory.Size == 0) return true;
    if (!Fits(directory.VirtualAddress, directory.Size, imageSize)) return false;
    const ResourceTree tree{image + directory.VirtualAddress, directory.Size, imageSize};
    return tree.LevelIsSound(0, 0);
}

}  // namespace ZORVANE
