#include "maker/product_resources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/icon_file.h"
#include "image/version_resource.h"
#include "maker/text_escape.h"
#include "update/input_file.h"
#include "update/tool_report.h"

namespace ZORVANE {

namespace {

// Far above any real icon (256 px PNGs at a few hundred KiB each).
constexpr std::uint64_t kLargestIconFile = 64u << 20;

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& content) {
    InputFile input;
    if (!OpenInputFile(path, input)) return false;
    if (input.size > kLargestIconFile) {
        ReportFileError(path, "too large for an icon file");
        return false;
    }
    content.resize(static_cast<std::size_t>(input.size));
    errno = 0;
    if (std::fread(content.data(), 1, content.size(), input.stream.get()) != content.size() ||
        std::fgetc(input.stream.get()) != EOF) {
        ReportFileError(path, errno != 0 ? std::strerror(errno) : "read error (did it change while it was read?)");
        return false;
    }
    return true;
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool AddIconResources(const std::string& iconPath, PayloadReplacement& replacement) {
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(iconPath, file)) return false;
    IconResources icons;
    if (!ParseIconFile(file, icons)) {
        ReportFileError(iconPath, "not a usable .ico file (damaged, or no images)");
        return false;
    }
    replacement.droppedTypes.push_back(kIconImageType);
    for (std::size_t i = 0; i < icons.images.size(); ++i) {
        replacement.resources.push_back({kIconImageType, static_cast<std::uint16_t>(i + 1), kIconLanguage,
                                         std::move(icons.images[i])});
    }
    replacement.resources.push_back({kIconGroupType, kLauncherIconGroupId, kIconLanguage, std::move(icons.group)});
    return true;
}

void AddVersionResource(const PackageInfo& info, const std::string& packageName, const std::string& outputPath,
                        PayloadReplacement& replacement) {
    VersionNumbers numbers;
    if (!ParseProductVersion(info.productVersion, numbers)) {
        const std::string warning = "warning: ProductVersion " + JsonString(info.productVersion) +
                                    " is not major.minor.build within Windows Installer's limits; "
                                    "the file version is 0.0.0.0";
        ReportFileError(packageName, warning.c_str());
    }
    const VersionTexts texts{info.productName, info.manufacturer, info.productVersion, FileName(outputPath)};
    replacement.resources.push_back({kVersionResourceType, kVersionResourceId, kVersionResourceLanguage,
                                     BuildVersionResource(texts, numbers)});
}

}  // namespace ZORVANE
