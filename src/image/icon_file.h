// An .ico file split into the resources Windows keeps an icon in: one icon
// image (RT_ICON) per picture and the group (RT_GROUP_ICON) that lists them
// with their IDs. Platform-free.
#pragma once

#include <cstdint>
#include <vector>

namespace ZORVANE {

constexpr std::uint16_t kIconImageType = 3;
constexpr std::uint16_t kIconGroupType = 14;
// The group Explorer shows for the launcher: its first, and only, one.
constexpr std::uint16_t kLauncherIconGroupId = 105;
constexpr std::uint16_t kIconLanguage = 0;

struct IconResources {
    // images[i] becomes icon image ID i + 1.
    std::vector<std::vector<std::uint8_t>> images;
    std::vector<std::uint8_t> group;
};

enum class IconFileStatus {
    Parsed,
    Damaged,       // a wrong header, no images, an image outside the file or empty, or neither PNG nor a DIB
    ImagesShared,  // an image overlaps another (or is another entry's) or the directory
};

// Anything but Parsed leaves icons as it was. Since no two images share a
// byte, the resources never hold more than the file: 256 entries of one
// image cannot make a launcher 256 times its size.
[[nodiscard]] IconFileStatus ParseIconFile(const std::vector<std::uint8_t>& file, IconResources& icons);

}  // namespace ZORVANE
