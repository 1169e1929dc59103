#include "image/icon_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace ZORVANE {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

const Bytes kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1, 2, 3, 4};

Bytes Bitmap(std::uint32_t side) {
    Bytes dib(40 + 4 * side * side);
    Put(dib, 0, 40, 4);
    Put(dib, 4, side, 4);
    Put(dib, 8, 2 * side, 4);
    Put(dib, 12, 1, 2);
    Put(dib, 14, 32, 2);
    return dib;
}

// An .ico with the images given, in order: 6-byte header, 16-byte entries, data.
Bytes IconFile(const std::vector<Bytes>& images) {
    Bytes file(6 + 16 * images.size());
    Put(file, 2, 1, 2);
    Put(file, 4, static_cast<std::uint32_t>(images.size()), 2);
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        file[entry] = static_cast<std::uint8_t>(16 * (i + 1));  // width
        file[entry + 1] = static_cast<std::uint8_t>(16 * (i + 1));
        Put(file, entry + 4, 1, 2);
        Put(file, entry + 6, 32, 2);
        Put(file, entry + 8, static_cast<std::uint32_t>(images[i].size()), 4);
        Put(file, entry + 12, static_cast<std::uint32_t>(file.size()), 4);
        file.insert(file.end(), images[i].begin(), images[i].end());
    }
    return file;
}

TEST(IconFile, ImagesAndTheirGroupAsWindowsStoresThem) {
    const Bytes file = IconFile({Bitmap(16), kPng, Bitmap(1)});
    IconResources icons;
    ASSERT_TRUE(ParseIconFile(file, icons));
    EXPECT_EQ(icons.images, (std::vector<Bytes>{Bitmap(16), kPng, Bitmap(1)}));
    ASSERT_EQ(icons.group.size(), 6u + 3 * 14);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 6, icons.group.begin()));
    for (std::size_t i = 0; i < 3; ++i) {
        const auto entry = icons.group.begin() + 6 + 14 * i;
        EXPECT_TRUE(std::equal(entry, entry + 12, file.begin() + 6 + 16 * i)) << i;
        EXPECT_EQ(entry[12] | entry[13] << 8, static_cast<int>(i + 1)) << "resource ID of image " << i;
    }
}

// Each row: what damages a sound two-image file.
const std::map<std::string, std::function<void(Bytes&)>> kDamage = {
    {"empty file", [](Bytes& f) { f.clear(); }},
    {"header cut short", [](Bytes& f) { f.resize(5); }},
    {"reserved field set", [](Bytes& f) { f[0] = 1; }},
    {"a cursor file", [](Bytes& f) { f[2] = 2; }},
    {"no images", [](Bytes& f) { Put(f, 4, 0, 2); }},
    {"directory past the end", [](Bytes& f) { Put(f, 4, 200, 2); }},
    {"entry table cut short", [](Bytes& f) { f.resize(6 + 16 + 8); }},
    {"image past the end", [](Bytes& f) { Put(f, 6 + 16 + 8, 1000, 4); }},
    {"image offset past the end", [](Bytes& f) { Put(f, 6 + 16 + 12, 0xFFFFFFF0, 4); }},
    {"empty image", [](Bytes& f) { Put(f, 6 + 8, 0, 4); }},
    {"image neither PNG nor a bitmap", [](Bytes& f) { f[6 + 32] = 'X'; }},
    {"bitmap header longer than its image", [](Bytes& f) { Put(f, 6 + 32 + 12, 0xFFFF, 4); }},
    {"bitmap without size", [](Bytes& f) { Put(f, 6 + 32 + 12 + 4, 0, 4); }},
};

TEST(IconFile, DamagedFilesAreRefusedAndLeaveNothing) {
    for (const auto& [name, damage] : kDamage) {
        Bytes file = IconFile({kPng, Bitmap(2)});
        damage(file);
        IconResources icons;
        icons.group = {7};
        EXPECT_FALSE(ParseIconFile(file, icons)) << name;
        EXPECT_EQ(icons.group, Bytes{7}) << name;
        EXPECT_TRUE(icons.images.empty()) << name;
    }
}

}  // namespace
}  // namespace ZORVANE
