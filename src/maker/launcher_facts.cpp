#include "maker/launcher_facts.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "common/payload.h"
#include "image/launcher_image.h"
#include "maker/tool_report.h"
#include "maker/unique_fd.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;

const ResourceLeaf* PayloadLeaf(const ImageModel& model, const char* type, std::uint16_t id) {
    return model.resources.FindLeaf(PayloadKey(type, id));
}

// [offset, offset + length) of a leaf kept from the source or given as bytes.
bool ReadLeaf(const ImageModel& model, const LeafData& data, std::uint64_t offset, char* buffer, std::size_t length) {
    if (data.origin == LeafData::Origin::Bytes) {
        std::copy_n(data.bytes.begin() + static_cast<std::ptrdiff_t>(offset), length, buffer);
        return true;
    }
    return data.origin == LeafData::Origin::Source && model.source.Read(data.sourceOffset + offset, buffer, length);
}

bool WriteAll(int fd, const char* bytes, std::size_t length) {
    for (std::size_t written = 0; written < length;) {
        const ssize_t put = write(fd, bytes + written, length - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<std::size_t>(put);
    }
    return true;
}

// libmsi opens a database by name: the carried package goes to an unnamed
// file, which the system removes with its last descriptor, whatever happens.
bool CopyToUnnamedFile(const ImageModel& model, const LeafData& package, const UniqueFd& file) {
    if (!file) return false;
    std::vector<char> buffer(kCopyBufferSize);
    for (std::uint64_t done = 0; done < package.size;) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(package.size - done, buffer.size()));
        if (!ReadLeaf(model, package, done, buffer.data(), piece) || !WriteAll(file.get(), buffer.data(), piece)) {
            return false;
        }
        done += piece;
    }
    return true;
}

bool ReadCarriedPackageInfo(const MakeOptions& options, const ImageModel& model, LauncherFacts& facts) {
    const ResourceLeaf* package = PayloadLeaf(model, kPackageResourceType, kPackageResourceId);
    if (package == nullptr || package->data.size == 0) return true;  // a launcher without a package
    facts.hasPackage = true;
    const UniqueFd copy(open(P_tmpdir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!CopyToUnnamedFile(model, package->data, copy)) {
        ReportFileError(options.source, "could not copy its package to a temporary file to read it");
        return false;
    }
    facts.hasPackageInfo = ReadPackageInfo("/proc/self/fd/" + std::to_string(copy.get()), facts.package);
    return true;
}

// The text up to its first NUL, as the launcher reads it.
std::string CarriedOptionLine(const ImageModel& model) {
    const ResourceLeaf* params = PayloadLeaf(model, kParamsResourceType, kParamsResourceId);
    if (params == nullptr) return std::string();
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(params->data.size, kCopyBufferSize)), '\0');
    if (!ReadLeaf(model, params->data, 0, text.data(), text.size())) return std::string();
    return text.substr(0, text.find('\0'));
}

}  // namespace

bool GatherLauncherFacts(const MakeOptions& options, const ImageModel& model, LauncherFacts& facts) {
    facts = LauncherFacts();
    facts.optionLine = CarriedOptionLine(model);
    if (options.packagePath.empty()) return ReadCarriedPackageInfo(options, model, facts);
    facts.hasPackage = true;
    facts.hasPackageInfo = ReadPackageInfo(options.packagePath, facts.package);
    return true;
}

}  // namespace ZORVANE
