// What winget's 1.28.0 manifest schemas demand of the values the maker
// writes: identifiers, versions, URLs, language tags and text lengths, so
// that no manifest is written that winget would refuse.
#pragma once

#include <cstddef>
#include <string_view>

namespace ZORVANE {

constexpr char kWingetManifestVersion[] = "1.28.0";

// Characters as the schemas count them, after the YAML writer's cleaning:
// a malformed byte is one U+FFFD.
std::size_t CharacterCount(std::string_view text);

// "Publisher.Product": 2 to 8 parts of 1 to 32 characters, joined by dots,
// at most 128 characters, none of them blank, a control character or
// \ / : * ? " < > |. Malformed UTF-8 is refused.
[[nodiscard]] bool IsWingetPackageIdentifier(std::string_view text);

// 1 to 128 characters, none of them a control character or \ / : * ? " < > |.
[[nodiscard]] bool IsWingetPackageVersion(std::string_view text);

// http:// or https:// (in any case) and more, at most 2048 characters, no
// control character or line break. Malformed UTF-8 is refused.
[[nodiscard]] bool IsWingetUrl(std::string_view text);

// A language tag such as "en-US", at most 20 characters.
[[nodiscard]] bool IsWingetLocale(std::string_view text);

}  // namespace ZORVANE
