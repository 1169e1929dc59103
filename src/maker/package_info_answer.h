// What the child that reads a package with libmsi writes back to the maker:
// a simple, bounded encoding that the maker checks whole before it believes
// a byte of it.
#pragma once

#include <string>

#include "maker/package_info.h"

namespace ZORVANE {

// info null: the file is not a readable database.
std::string EncodePackageAnswer(const PackageInfo* info);

enum class PackageAnswer { Read, NotDatabase, Garbled };

// Read fills info; anything else leaves it as it was. Garbled: not exactly
// what EncodePackageAnswer writes.
[[nodiscard]] PackageAnswer DecodePackageAnswer(const std::string& answer, PackageInfo& info);

}  // namespace ZORVANE
