#include "launch/package_cache.h"

#include <shlobj.h>

#include "common/cache_key.h"
#include "core/log.h"
#include "core/system_files.h"
#include "core/wide_text.h"
#include "launch/launch_result.h"
#include "launch/package_file.h"
#include "launch/read_back.h"
#include "launch/windows_installer.h"

namespace ZORVANE {

namespace {

CacheStep Done() { return {true, std::string()}; }

CacheStep RefusedAt(const CachePath& path, const char* problem, DWORD error = ERROR_SUCCESS) {
    const std::string reason = error == ERROR_SUCCESS ? std::string() : SystemErrorText(error);
    return {false, Formatted("%s: %s%s", path.Utf8().c_str(), problem, reason.c_str())};
}

struct Opened {
    UniqueFile handle;
    DWORD error;
};

// Neither way follows a reparse point: what is judged is what is there.
// Judging reads the attributes (FILE_READ_ATTRIBUTES) and the security (READ_CONTROL).
Opened OpenFolder(const CachePath& path) {
    constexpr DWORD kAccess = READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY;
    UniqueFile handle(CreateFileW(path.Text(), kAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD error = GetLastError();
    return {std::move(handle), error};
}

// Read sharing only: from here on nobody can write, replace or delete it.
Opened HoldFile(const CachePath& path) {
    UniqueFile handle(CreateFileW(path.Text(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD error = GetLastError();
    return {std::move(handle), error};
}

// Calls visit with the path and attributes of each name in folder but "." and "..".
using Visit = void (*)(const CachePath& path, const WIN32_FIND_DATAW& found, const void* context);
void ListFolder(const CachePath& folder, Visit visit, const void* context) {
    CachePath pattern = folder;
    WIN32_FIND_DATAW found;
    if (!pattern.Append(L"*")) return;
    const FolderListing listing(FindFirstFileW(pattern.Text(), &found));
    if (listing.get() == INVALID_HANDLE_VALUE) return;
    do {
        CachePath path = folder;
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0 && path.Append(found.cFileName)) {
            visit(path, found, context);
        }
    } while (FindNextFileW(listing.get(), &found));
}

// An entry folder and its files; nothing below it is followed.
void DeleteIfFile(const CachePath& path, const WIN32_FIND_DATAW& found, const void*) {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW(path.Text());
}

// Entries of products Windows Installer no longer knows, but the one context names.
void RemoveIfStale(const CachePath& folder, const WIN32_FIND_DATAW& found, const void* context) {
    std::string name;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !Narrow(found.cFileName, wcslen(found.cFileName), name)) {
        return;
    }
    const std::string code = ProductCodeOfEntry(name);
    if (code.empty() || code == *static_cast<const std::string*>(context) || ProductMayBeInstalled(code)) return;
    // Its files, not what may lie below them.
    ListFolder(folder, DeleteIfFile, nullptr);
    RemoveDirectoryW(folder.Text());
    WriteLog(kLaunchComponent, "Events", "removed the kept package in %s: its product is no longer installed",
             folder.Utf8().c_str());
}

enum class Found { Same, Different, Refused };

struct FileCheck {
    Found found;
    CacheStep refusal;
};

FileCheck CheckHeld(const CacheSecurity& security, HANDLE held, const CachePath& path, const ResourceView& package) {
    const CacheTrust trust = security.Judge(held, path.Text(), false);
    if (trust != CacheTrust::Trusted) return {Found::Refused, RefusedAt(path, TrustProblem(trust))};
    const ReadBackResult back = ReadBackPackage(held, package);
    switch (back.outcome) {
        case ReadBack::Same: return {Found::Same, Done()};
        case ReadBack::Different: return {Found::Different, Done()};
        case ReadBack::NoMemory:
        case ReadBack::Unreadable: break;
    }
    return {Found::Refused, RefusedAt(path, "it cannot be read back: ", back.error)};
}

}  // namespace

CacheStep PackageCache::MakeFolder(const CachePath& path) {
    if (!CreateDirectoryW(path.Text(), security_.ForNewObjects())) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) return RefusedAt(path, "the folder cannot be made: ", error);
    }
    const Opened folder = OpenFolder(path);
    if (!folder.handle) return RefusedAt(path, "the folder cannot be opened: ", folder.error);
    const CacheTrust trust = security_.Judge(folder.handle.get(), path.Text(), true);
    return trust == CacheTrust::Trusted ? Done() : RefusedAt(path, TrustProblem(trust));
}

CacheStep PackageCache::Open(bool machine) {
    const CacheSecurityResult security = security_.Make(machine);
    if (!security.made) return {false, "its security cannot be made: " + SystemErrorText(security.error)};
    // Loaded only by a launcher that keeps its package: the others never need shell32.
    auto folderPath = LoadSystemFunction<decltype(SHGetFolderPathW)>("shell32.dll", "SHGetFolderPathW");
    wchar_t base[MAX_PATH];
    const int which = machine ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
    if (folderPath == nullptr || folderPath(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK ||
        !root_.Append(base) || !root_.Append(kCacheFolderName)) {
        return {false, "the folder it belongs in is unknown"};
    }
    return MakeFolder(root_);
}

void PackageCache::RemoveStale(const std::string& keptProductCode) const {
    ListFolder(root_, RemoveIfStale, &keptProductCode);
}

CacheStep PackageCache::Write(const CachePath& path, const ResourceView& package) {
    UniqueFile writer(CreateFileW(path.Text(), GENERIC_WRITE, 0, security_.ForNewObjects(), CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!writer) return RefusedAt(path, "the file cannot be made: ", GetLastError());
    DWORD error = WritePackage(writer.get(), package);
    // The close may be what fails to write.
    if (!CloseHandle(writer.release()) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS) return Done();
    DeleteFileW(path.Text());
    return RefusedAt(path, "the package cannot be written: ", error);
}

CacheStep PackageCache::Keep(const wchar_t* entryName, const wchar_t* fileName, const ResourceView& package,
                             CacheEntry& entry) {
    entry.root = root_;
    entry.folder = root_;
    if (!entry.folder.Append(entryName)) return RefusedAt(root_, "the path is too long");
    entry.file = entry.folder;
    if (!entry.file.Append(fileName)) return RefusedAt(entry.folder, "the path is too long");
    const CacheStep folder = MakeFolder(entry.folder);
    if (!folder.done) return folder;
    Opened found = HoldFile(entry.file);
    if (found.handle) {
        const FileCheck check = CheckHeld(security_, found.handle.get(), entry.file, package);
        if (check.found == Found::Refused) return check.refusal;
        if (check.found == Found::Same) {
            entry.hold = std::move(found.handle);
            entry.wasThere = true;
            return Done();
        }
        found.handle.reset();
        if (!DeleteFileW(entry.file.Text())) {
            return RefusedAt(entry.file, "it cannot be replaced: ", GetLastError());
        }
    } else if (found.error != ERROR_FILE_NOT_FOUND) {
        return RefusedAt(entry.file, "the file cannot be opened: ", found.error);
    }
    const CacheStep written = Write(entry.file, package);
    if (!written.done) return written;
    const CacheStep held = HoldWritten(entry, package);
    if (!held.done) DeleteFileW(entry.file.Text());
    return held;
}

CacheStep PackageCache::HoldWritten(CacheEntry& entry, const ResourceView& package) const {
    Opened held = HoldFile(entry.file);
    if (!held.handle) return RefusedAt(entry.file, "the file cannot be held: ", held.error);
    const FileCheck check = CheckHeld(security_, held.handle.get(), entry.file, package);
    if (check.found == Found::Refused) return check.refusal;
    if (check.found == Found::Different) return RefusedAt(entry.file, "it changed after it was written");
    entry.hold = std::move(held.handle);
    return Done();
}

void PackageCache::Forget(CacheEntry& entry) {
    entry.hold.reset();
    DeleteFileW(entry.file.Text());
    RemoveDirectoryW(entry.folder.Text());
    RemoveDirectoryW(entry.root.Text());
}

}  // namespace ZORVANE
