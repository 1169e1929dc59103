// The names of the package cache's entries: "{ProductCode}v<ProductVersion>",
// one folder per product and version. Both parts come from the package, so
// only the forms Windows Installer defines make a name: nothing else can
// reach the file system from there. No platform header.
#pragma once

#include <string>

namespace ZORVANE {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" of hexadecimal digits.
bool IsProductCode(const std::string& text);

// The entry folder's name for a product code and a version of one to four
// dot-separated fields of at most five digits each; empty when either is
// not in its form.
std::string CacheEntryName(const std::string& productCode, const std::string& productVersion);

// The product code an entry folder's name begins with; empty for a name no
// entry has.
std::string ProductCodeOfEntry(const std::string& name);

}  // namespace ZORVANE
