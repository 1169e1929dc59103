// The version resource (VS_VERSIONINFO) a launcher shows for the product it
// carries: what Explorer's properties, the elevation prompt and deployment
// tools read through GetFileVersionInfoW/VerQueryValueW. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ZORVANE {

// Where the launcher's own version resource lives: RT_VERSION, ID 1, US English.
constexpr std::uint16_t kVersionResourceType = 16;
constexpr std::uint16_t kVersionResourceId = 1;
constexpr std::uint16_t kVersionResourceLanguage = 1033;

// The file and product version numbers: major.minor.build, then 0.
struct VersionNumbers {
    std::uint16_t major = 0, minor = 0, build = 0;
};

// Six texts of this many UTF-16 units keep every length of the resource
// within 16 bits; far beyond what any dialog shows.
constexpr std::size_t kLongestVersionText = 4000;

// The texts, UTF-8; any script. A value longer than kLongestVersionText
// UTF-16 units is cut there (FileDescription shortens the product name and
// keeps its " Setup").
struct VersionTexts {
    std::string productName;
    std::string companyName;
    std::string productVersion;  // as the package has it
    std::string originalFilename;
};

// The resource: fixed file info with numbers as file and product version,
// and a US English/Unicode (040904B0) string table with ProductName,
// CompanyName, ProductVersion, FileDescription ("<ProductName> Setup"),
// OriginalFilename and FileVersion ("major.minor.build.0"), and the
// Translation that points at it.
std::vector<std::uint8_t> BuildVersionResource(const VersionTexts& texts, const VersionNumbers& numbers);

// The keys of the values BuildVersionResource cuts, in key order
// ("FileDescription", "ProductName", ...): the maker says so.
std::vector<std::string> CutVersionTexts(const VersionTexts& texts);

}  // namespace ZORVANE
