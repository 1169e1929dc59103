#include "maker/product_resources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/path_names.h"
#include "image/icon_file.h"
#include "image/version_resource.h"
#include "maker/input_file.h"
#include "maker/product_version.h"
#include "maker/text_escape.h"
#include "maker/tool_report.h"

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

ResourceKey Key(std::uint16_t type, std::uint16_t name, std::uint16_t language) {
    return {ResourceId(type), ResourceId(name), ResourceId(language)};
}

// The launcher has one icon group: every image goes with it.
void RemoveIconImages(ImageModel& model) {
    std::vector<ResourceKey> images;
    for (const ResourceLeaf& leaf : model.Leaves()) {
        const ResourceName& type = model.Resources().NameAt(leaf.type);
        if (!type.isString && type.id == kIconImageType) images.push_back(model.Resources().KeyOf(leaf));
    }
    for (const ResourceKey& key : images) model.RemoveLeaf(key);
}

}  // namespace

bool AddIconResources(const std::string& iconPath, ImageModel& model) {
    std::vector<std::uint8_t> file;
    if (!ReadWholeFile(iconPath, file)) return false;
    IconResources icons;
    switch (ParseIconFile(file, icons)) {
        case IconFileStatus::Parsed: break;
        case IconFileStatus::Damaged:
            ReportFileError(iconPath, "not a usable .ico file (damaged, or no images)");
            return false;
        case IconFileStatus::ImagesShared:
            ReportFileError(iconPath, "not a usable .ico file (its images overlap, or entries share one)");
            return false;
    }
    RemoveIconImages(model);
    bool added = model.SetLeaf(Key(kIconGroupType, kLauncherIconGroupId, kIconLanguage),
                               LeafData::FromBytes(std::move(icons.group)));
    for (std::size_t i = 0; added && i < icons.images.size(); ++i) {
        added = model.SetLeaf(Key(kIconImageType, static_cast<std::uint16_t>(i + 1), kIconLanguage),
                              LeafData::FromBytes(std::move(icons.images[i])));
    }
    if (!added) ReportFileError(iconPath, "too many images for a launcher's resources");
    return added;
}

bool AddVersionResource(const PackageInfo& info, const std::string& packageName, const std::string& outputPath,
                        ImageModel& model) {
    VersionNumbers numbers;
    if (!ParseProductVersion(info.productVersion, numbers)) {
        const std::string warning = "warning: ProductVersion " + JsonString(info.productVersion) +
                                    " is not major.minor.build within Windows Installer's limits; "
                                    "the file version is 0.0.0.0";
        ReportFileError(packageName, warning.c_str());
    }
    const VersionTexts texts{info.productName, info.manufacturer, info.productVersion,
                             outputPath.substr(FileNameStart(outputPath, "/"))};
    for (const std::string& key : CutVersionTexts(texts)) {
        const std::string warning = "warning: the version resource's " + key + " is cut to its first " +
                                    std::to_string(kLongestVersionText) + " UTF-16 units";
        ReportFileError(packageName, warning.c_str());
    }
    if (model.SetLeaf(Key(kVersionResourceType, kVersionResourceId, kVersionResourceLanguage),
                      LeafData::FromBytes(BuildVersionResource(texts, numbers)))) {
        return true;
    }
    ReportFileError(outputPath, "too many resources for a launcher");
    return false;
}

}  // namespace ZORVANE
