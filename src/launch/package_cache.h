// The package cache on disk: a root folder of the machine's or the user's,
// one entry folder per product and version, and in it the package under the
// launcher's name. Every folder and file is made with the cache's security
// and judged before it is used; paths are UTF-16.
#pragma once

#include <windows.h>

#include <string>

#include "core/unique_handles.h"
#include "launch/cache_path.h"
#include "launch/cache_security.h"
#include "launch/own_resource.h"

namespace ZORVANE {

// The cache's folder under ProgramData or the user's LocalAppData: a name
// of this project's, which no other installer uses.
constexpr wchar_t kCacheFolderName[] = L"Quelmar Package Cache";

struct CacheEntry {
    CachePath root, folder, file;
    UniqueFile hold;        // read sharing only: the package is held unchanged
    bool wasThere = false;  // found identical, rather than written by this launch
};

struct CacheStep {
    bool done = false;
    std::string problem;  // why not, for the log line
};

class PackageCache {
public:
    // Opens the root folder, making it when it is missing, and judges it.
    [[nodiscard]] CacheStep Open(bool machine);

    // Removes every entry whose product Windows Installer no longer knows,
    // but the kept product's own; one log line each.
    void RemoveStale(const std::string& keptProductCode) const;

    // Holds the package as entry entryName's file fileName (its own folder
    // made when missing): an identical one found there as it is, another
    // replaced by a new copy. Judged and read back through the hold.
    [[nodiscard]] CacheStep Keep(const wchar_t* entryName, const wchar_t* fileName, const ResourceView& package,
                                 CacheEntry& entry);

    // Deletes the entry's file, then its folder and the root when they are empty.
    static void Forget(CacheEntry& entry);

private:
    [[nodiscard]] CacheStep MakeFolder(const CachePath& path);
    // A new file at path with the package in it, removed again when it could not be written.
    [[nodiscard]] CacheStep Write(const CachePath& path, const ResourceView& package);
    [[nodiscard]] CacheStep HoldWritten(CacheEntry& entry, const ResourceView& package) const;

    CacheSecurity security_;
    CachePath root_;
};

}  // namespace ZORVANE
