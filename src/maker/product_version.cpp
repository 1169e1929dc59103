#include "maker/product_version.h"

namespace ZORVANE {

bool ParseProductVersion(const std::string& text, VersionNumbers& numbers) {
    numbers = VersionNumbers();
    const unsigned long limits[] = {255, 255, 65535, 65535};
    unsigned long fields[4] = {};
    std::size_t count = 0, digits = 0;
    for (char c : text) {
        if (c == '.') {
            if (digits == 0 || ++count == 4) return false;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            fields[count] = fields[count] * 10 + static_cast<unsigned long>(c - '0');
            if (fields[count] > limits[count]) return false;
            ++digits;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    numbers.major = static_cast<std::uint16_t>(fields[0]);
    numbers.minor = static_cast<std::uint16_t>(fields[1]);
    numbers.build = static_cast<std::uint16_t>(fields[2]);
    return true;
}

}  // namespace ZORVANE
