// libFuzzer target: any bytes as the .ico of --icon. What the parser takes
// never holds more than the file (images apart, one group entry each), and
// what it refuses leaves nothing.
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "image/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ZORVANE;
    using fuzz::Require;
    const std::vector<std::uint8_t> file(data, data + size);
    IconResources icons;
    if (ParseIconFile(file, icons) != IconFileStatus::Parsed) {
        Require(icons.images.empty() && icons.group.empty());
        return 0;
    }
    Require(!icons.images.empty() && icons.group.size() == 6 + 14 * icons.images.size());
    std::size_t total = icons.group.size();
    for (const std::vector<std::uint8_t>& image : icons.images) total += image.size();
    Require(total <= size);
    return 0;
}
