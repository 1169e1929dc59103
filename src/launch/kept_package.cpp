#include "launch/kept_package.h"

#include "common/cache_key.h"
#include "core/log.h"
#include "core/wide_text.h"
#include "launch/integrity.h"
#include "launch/windows_installer.h"

namespace ZORVANE {

namespace {

constexpr unsigned long kRestartRequired = 3010;
constexpr unsigned long kRestartStarted = 1641;

KeptPackage NotKept(const char* problem) {
    WriteLog(kLaunchComponent, "Events", "package not kept, %s", problem);
    return KeptPackage();
}

// An elevated setup, or a deployment system running as SYSTEM, installs for
// the machine: its cache is the machine's.
bool UsesMachineCache() {
    const IntegrityLevel level = ReadOwnIntegrityLevel();
    return level && ClassifyIntegrity(*level) == IntegrityClass::High;
}

}  // namespace

bool LeavesProductInstalled(unsigned long exitCode) {
    return exitCode == ERROR_SUCCESS || exitCode == kRestartRequired || exitCode == kRestartStarted;
}

KeptPackage KeepPackage(const std::string& extractedPath, const ResourceView& package, const std::string& packageName) {
    std::wstring extracted, fileName;
    if (!Widen(extractedPath, extracted) || !Widen(packageName, fileName)) return NotKept("its path is not Unicode");
    const PackageCodes codes = ReadPackageCodes(extracted.c_str());
    if (!codes.problem.empty()) return NotKept(codes.problem.c_str());
    std::wstring entryName;
    if (!Widen(CacheEntryName(codes.productCode, codes.productVersion), entryName) || entryName.empty()) {
        return NotKept("its ProductCode or ProductVersion is malformed");
    }
    PackageCache cache;
    const CacheStep opened = cache.Open(UsesMachineCache());
    if (!opened.done) return NotKept(opened.problem.c_str());
    cache.RemoveStale(codes.productCode);
    KeptPackage kept;
    const CacheStep held = cache.Keep(entryName.c_str(), fileName.c_str(), package, kept.entry);
    if (!held.done) return NotKept(held.problem.c_str());
    kept.path = kept.entry.file.Utf8();
    if (kept.path.empty()) {
        if (!kept.entry.wasThere) PackageCache::Forget(kept.entry);
        return NotKept("its path is not Unicode");
    }
    kept.productCode = codes.productCode;
    WriteLog(kLaunchComponent, "Events", "package kept in %s", kept.path.c_str());
    return kept;
}

void SettleKeptPackage(KeptPackage& kept, const LaunchResult& result) {
    if (result.installerEnded && LeavesProductInstalled(result.exitCode)) return;
    if (kept.entry.wasThere && ProductMayBeInstalled(kept.productCode)) return;
    PackageCache::Forget(kept.entry);
    WriteLog(kLaunchComponent, "Events", "kept package removed from %s: the installation did not succeed",
             kept.path.c_str());
}

}  // namespace ZORVANE
