#include "common/cache_key.h"

#include <cstddef>

namespace ZORVANE {

namespace {

constexpr std::size_t kProductCodeLength = 38;
constexpr unsigned kLongestVersionField = 5;  // 65535
constexpr unsigned kMostVersionFields = 4;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsProductVersion(const std::string& text) {
    unsigned fields = 1;
    unsigned digits = 0;
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0 || ++fields > kMostVersionFields) return false;
            digits = 0;
        } else if (c < '0' || c > '9' || ++digits > kLongestVersionField) {
            return false;
        }
    }
    return digits != 0;
}

}  // namespace

bool IsProductCode(const std::string& text) {
    if (text.size() != kProductCodeLength || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != '-' : !IsHexDigit(text[i])) return false;
    }
    return true;
}

std::string CacheEntryName(const std::string& productCode, const std::string& productVersion) {
    if (!IsProductCode(productCode) || !IsProductVersion(productVersion)) return std::string();
    return productCode + 'v' + productVersion;
}

std::string ProductCodeOfEntry(const std::string& name) {
    if (name.size() <= kProductCodeLength + 1 || name[kProductCodeLength] != 'v') return std::string();
    std::string code = name.substr(0, kProductCodeLength);
    if (!IsProductCode(code) || !IsProductVersion(name.substr(kProductCodeLength + 1))) return std::string();
    return code;
}

}  // namespace ZORVANE
