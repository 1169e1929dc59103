#include "maker/launcher_facts.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "core/payload.h"
#include "update/image_source.h"
#include "update/launcher_image.h"
#include "update/posix_files.h"
#include "update/tool_report.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;

// libmsi opens a database by name: the source's package goes to an unnamed
// file, which the system removes with its last descriptor, whatever happens.
bool CopyToUnnamedFile(const ImageSource& source, const ResourcePlace& place, const UniqueFd& file) {
    if (!file) return false;
    std::vector<char> buffer(kCopyBufferSize);
    for (std::uint64_t done = 0; done < place.size;) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(place.size - done, buffer.size()));
        if (!source.Read(place.offset + done, buffer.data(), piece)) return false;
        for (std::size_t written = 0; written < piece;) {
            const ssize_t put = write(file.get(), buffer.data() + written, piece - written);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            written += static_cast<std::size_t>(put);
        }
        done += piece;
    }
    return true;
}

bool ReadCarriedPackageInfo(const std::string& sourcePath, std::FILE* source, LauncherFacts& facts) {
    ResourcePlace place;
    if (FindLauncherResource(source, kPackageResourceType, kPackageResourceId, kPayloadLanguage, place) !=
            ImageWriteStatus::Written ||
        !place.found || place.size == 0) {
        return true;  // no package to read; a damaged source is the writer's to report
    }
    facts.hasPackage = true;
    const UniqueFd copy(open(P_tmpdir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!CopyToUnnamedFile(ImageSource(source), place, copy)) {
        ReportFileError(sourcePath, "could not copy its package to a temporary file to read it");
        return false;
    }
    facts.hasPackageInfo = ReadPackageInfo("/proc/self/fd/" + std::to_string(copy.get()), facts.package);
    return true;
}

// The text up to its first NUL, as the launcher reads it.
std::string CarriedOptionLine(std::FILE* source) {
    ResourcePlace place;
    if (FindLauncherResource(source, kParamsResourceType, kParamsResourceId, kPayloadLanguage, place) !=
            ImageWriteStatus::Written ||
        !place.found) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(place.size, kCopyBufferSize)), '\0');
    if (!ImageSource(source).Read(place.offset, text.data(), text.size())) return std::string();
    return text.substr(0, text.find('\0'));
}

}  // namespace

bool GatherLauncherFacts(const MakeOptions& options, std::FILE* source, LauncherFacts& facts) {
    facts = LauncherFacts();
    facts.optionLine = options.params.empty() ? CarriedOptionLine(source) : options.params;
    if (!options.packagePath.empty()) {
        facts.hasPackage = true;
        facts.hasPackageInfo = ReadPackageInfo(options.packagePath, facts.package);
        return true;
    }
    return ReadCarriedPackageInfo(options.source, source, facts);
}

}  // namespace ZORVANE
