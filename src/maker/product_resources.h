// The resources that make a launcher look like its product: the version
// resource from the package's info and the icon from an .ico file.
#pragma once

#include <string>

#include "image/image_model.h"
#include "maker/package_info.h"

namespace ZORVANE {

// Replaces the icon group Explorer shows and all icon images with the .ico
// file's. False, reported with one line naming the file, when it cannot be
// read or is damaged or empty, or the model can take no more resources.
bool AddIconResources(const std::string& iconPath, ImageModel& model);

// Replaces the version resource with one made from the package's info;
// outputPath's file name is the OriginalFilename. A ProductVersion that is
// not Windows Installer's major.minor.build gives 0.0.0.0 and a warning line
// naming packageName, and so does each value cut to fit the resource.
// False, reported, when the model can take no more resources.
bool AddVersionResource(const PackageInfo& info, const std::string& packageName, const std::string& outputPath,
                        ImageModel& model);

}  // namespace ZORVANE
