// Windows Installer packages made in the test with libmsi, as a package
// builder writes them, or with their summary information stored otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ZORVANE {
namespace test {

using Properties = std::map<std::string, std::string>;

extern const char kPackageCode[], kSubject[], kComments[];
extern const Properties kCyrillic, kCjk;

// How the summary information keeps its Template and revision number: as
// text, as a package builder writes them, or otherwise.
enum class Summary { Texts, OnlyTitle, TemplateAsInteger, RevisionAsFileTime };

// A package with a Property table kept in codePage, and summary
// information: Template "Intel;1049", kPackageCode, kSubject and kComments
// unless summary says otherwise.
std::vector<std::uint8_t> MakePackage(const Properties& properties, int codePage, Summary summary = Summary::Texts);

// A package as wixl builds it from a small product: many tables, a cabinet.
// Its codes and times differ from build to build.
std::vector<std::uint8_t> MakeWixlPackage();

// bytes in a new file in the temporary folder, which the test removes.
std::string Write(const std::vector<std::uint8_t>& bytes);

}  // namespace test
}  // namespace ZORVANE
