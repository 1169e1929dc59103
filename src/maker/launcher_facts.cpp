#include "maker/launcher_facts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "common/payload.h"
#include "image/launcher_image.h"
#include "maker/descriptor_io.h"
#include "maker/isolated_package_info.h"
#include "maker/tool_report.h"
#include "maker/unnamed_file.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;

const ResourceLeaf* PayloadLeaf(const ImageModel& model, const char* type, std::uint16_t id) {
    return model.Resources().FindLeaf(PayloadKey(type, id));
}

// libmsi opens a database by name: the carried package goes to an unnamed file.
bool CopyLeaf(const ImageModel& model, const LeafData& package, int file) {
    std::vector<char> buffer(kCopyBufferSize);
    for (std::uint64_t done = 0; done < package.size;) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(package.size - done, buffer.size()));
        if (!model.ReadLeaf(package, done, buffer.data(), piece) || !WriteAll(file, buffer.data(), piece)) {
            return false;
        }
        done += piece;
    }
    return true;
}

// A package that libmsi cannot read, or that crashes or outruns its reader,
// is no readable database: the launcher still carries it byte for byte.
bool ReadPackageFacts(int fd, const std::string& packageName, LauncherFacts& facts) {
    const PackageInfoResult read = ReadPackageInfoApart(fd, facts.package);
    if (read.status == PackageInfoStatus::NoProcess) {
        const std::string what =
            std::string("could not start a process to read its product info: ") + std::strerror(read.detail);
        ReportFileError(packageName, what.c_str());
        return false;
    }
    facts.hasPackageInfo = read.status == PackageInfoStatus::Read;
    return true;
}

bool ReadCarriedPackageInfo(const MakeOptions& options, const ImageModel& model, LauncherFacts& facts) {
    const ResourceLeaf* package = PayloadLeaf(model, kPackageResourceType, kPackageResourceId);
    if (package == nullptr || package->data.size == 0) return true;  // a launcher without a package
    facts.hasPackage = true;
    const std::string folder = TemporaryFolder();
    errno = 0;
    const UniqueFd copy = OpenUnnamedFile(folder);
    if (!copy || !CopyLeaf(model, package->data, copy.get())) {
        const int error = errno;
        const std::string what = "could not copy its package to a temporary file in " + folder +
                                 " to read it: " + (error != 0 ? std::strerror(error) : "read error");
        ReportFileError(options.source, what.c_str());
        return false;
    }
    return ReadPackageFacts(copy.get(), options.source, facts);
}

// The text up to its first NUL, as the launcher reads it.
std::string CarriedOptionLine(const ImageModel& model) {
    const ResourceLeaf* params = PayloadLeaf(model, kParamsResourceType, kParamsResourceId);
    if (params == nullptr) return std::string();
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(params->data.size, kCopyBufferSize)), '\0');
    if (!model.ReadLeaf(params->data, 0, text.data(), text.size())) return std::string();
    return text.substr(0, text.find('\0'));
}

}  // namespace

bool GatherLauncherFacts(const MakeOptions& options, const ImageModel& model, LauncherFacts& facts) {
    facts = LauncherFacts();
    facts.optionLine = CarriedOptionLine(model);
    facts.keepsPackage = CarriesKeepPackageMark(model);
    if (options.packagePath.empty()) return ReadCarriedPackageInfo(options, model, facts);
    // The --msi file through the descriptor it was opened with, which the
    // payload reads from: the info is that of the bytes carried.
    const ResourceLeaf* package = PayloadLeaf(model, kPackageResourceType, kPackageResourceId);
    facts.hasPackage = true;
    if (package == nullptr || package->data.origin != LeafData::Origin::Stream) return true;
    return ReadPackageFacts(fileno(package->data.stream), options.packagePath, facts);
}

}  // namespace ZORVANE
