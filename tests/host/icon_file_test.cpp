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

std::uint32_t Get32At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
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
    ASSERT_EQ(ParseIconFile(file, icons), IconFileStatus::Parsed);
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
        EXPECT_EQ(ParseIconFile(file, icons), IconFileStatus::Damaged) << name;
        EXPECT_EQ(icons.group, Bytes{7}) << name;
        EXPECT_TRUE(icons.images.empty()) << name;
    }
}

// entry's image where the other entry's is.
void PointAt(Bytes& file, std::size_t entry, std::size_t other) {
    Put(file, 6 + 16 * entry + 12, Get32At(file, 6 + 16 * other + 12), 4);
}

// Each row: how the images of a sound three-image file (PNG, DIB, PNG) are
// placed, and whether they may be copied. Images apart, in any order, are
// copied; images that share bytes would copy a file's bytes many times.
const struct {
    const char* name;
    std::function<void(Bytes&)> place;
    IconFileStatus status;
} kPlacements[] = {
    {"as written", [](Bytes&) {}, IconFileStatus::Parsed},
    {"entries in another order than their images",
     [](Bytes& f) {
         const Bytes first(f.begin() + 6, f.begin() + 22);
         std::copy(f.begin() + 22, f.begin() + 38, f.begin() + 6);
         std::copy(first.begin(), first.end(), f.begin() + 22);
     },
     IconFileStatus::Parsed},
    {"two entries share one image", [](Bytes& f) { PointAt(f, 2, 0); }, IconFileStatus::ImagesShared},
    {"an image holds another", [](Bytes& f) { Put(f, 6 + 8, 12 + 44, 4); }, IconFileStatus::ImagesShared},
    {"an image runs into the next", [](Bytes& f) { Put(f, 6 + 8, 13, 4); }, IconFileStatus::ImagesShared},
    {"an image inside the directory",
     [](Bytes& f) {
         // The last entry reads as a PNG that is the entry itself.
         std::copy(kPng.begin(), kPng.begin() + 8, f.begin() + 38);
         Put(f, 38 + 8, 16, 4);
         Put(f, 38 + 12, 38, 4);
     },
     IconFileStatus::ImagesShared},
};

TEST(IconFile, ImagesApartAreCopiedAndSharedOnesRefused) {
    for (const auto& row : kPlacements) {
        Bytes file = IconFile({kPng, Bitmap(1), kPng});
        row.place(file);
        IconResources icons;
        EXPECT_EQ(ParseIconFile(file, icons), row.status) << row.name;
        std::size_t total = icons.group.size();
        for (const Bytes& image : icons.images) total += image.size();
        EXPECT_LE(total, file.size()) << row.name;
    }
}

// 256 entries of one PNG: the campaign's 2 MiB file made a 511 MiB launcher.
TEST(IconFile, OneImageForEveryEntryIsRefused) {
    Bytes file = IconFile(std::vector<Bytes>(256, kPng));
    for (std::size_t i = 1; i < 256; ++i) PointAt(file, i, 0);
    IconResources icons;
    EXPECT_EQ(ParseIconFile(file, icons), IconFileStatus::ImagesShared);
    EXPECT_TRUE(icons.images.empty());
}

}  // namespace
}  // namespace ZORVANE
