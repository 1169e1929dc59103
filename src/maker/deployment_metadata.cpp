#include "maker/deployment_metadata.h"

#include <iterator>

#include "maker/text_escape.h"
#include "maker/winget_rules.h"

namespace ZORVANE {

namespace {

// The launcher's exit codes as README's table for administrators gives them.
struct ExitCode {
    int code;
    const char* meaning;
};

constexpr ExitCode kExitCodes[] = {
    {0, "msiexec: the installation succeeded"},
    {3010, "msiexec: succeeded, a restart is needed to complete it"},
    {1641, "msiexec: succeeded, the installer has started a restart"},
    {1618, "msiexec: another installation is in progress; retry later"},
    {1602, "msiexec: the user cancelled the installation"},
    {1603, "msiexec: fatal error during installation; or the launcher could not start the installer"},
};

struct ReturnCode {
    int code;
    const char* response;
};

// winget's own defaults for MSI installers, which it gives no exe: the
// launcher ends with msiexec's code. Then the launcher's own failure.
constexpr ReturnCode kReturnCodes[] = {
    {1618, "installInProgress"},  {112, "diskFull"},
    {1601, "contactSupport"},     {3010, "rebootRequiredToFinish"},
    {1641, "rebootInitiated"},    {1602, "cancelledByUser"},
    {1638, "alreadyInstalled"},   {1654, "systemNotSupported"},
    {1623, "systemNotSupported"}, {1633, "systemNotSupported"},
    {1625, "blockedByPolicy"},    {1644, "blockedByPolicy"},
    {1643, "blockedByPolicy"},    {1649, "blockedByPolicy"},
    {1640, "blockedByPolicy"},    {87, "invalidParameter"},
    {1628, "invalidParameter"},   {1639, "invalidParameter"},
    {1650, "invalidParameter"},   {1603, "contactSupport"},
};

// The longest text each field of an AppsAndFeaturesEntries item takes.
struct FieldLimit {
    const char* field;
    const char* property;
    std::string PackageInfo::*value;
    std::size_t most;
};

const FieldLimit kFieldLimits[] = {
    {"DisplayName", "ProductName", &PackageInfo::productName, 256},
    {"Publisher", "Manufacturer", &PackageInfo::manufacturer, 256},
    {"DisplayVersion", "ProductVersion", &PackageInfo::productVersion, 128},
    {"ProductCode", "ProductCode", &PackageInfo::productCode, 255},
    {"UpgradeCode", "UpgradeCode", &PackageInfo::upgradeCode, 255},
};

// Absent and empty are one: a Property table holds no empty value.
std::string JsonOrNull(bool known, const std::string& text) {
    return known && !text.empty() ? JsonString(text) : "null";
}

std::string JsonExitCodes() {
    std::string out = "[\n";
    for (const ExitCode& exit : kExitCodes) {
        out += "    {\"Code\": " + std::to_string(exit.code) + ", \"Meaning\": " + JsonString(exit.meaning) + "}";
        out += &exit == &kExitCodes[std::size(kExitCodes) - 1] ? "\n" : ",\n";
    }
    return out + "  ]";
}

// "key: value" on a line of its own, or nothing for an empty value.
std::string YamlField(const char* indent, const char* key, const std::string& value) {
    return value.empty() ? std::string() : indent + std::string(key) + ": " + YamlString(value) + "\n";
}

std::string YamlReturnCodes() {
    std::string out = "ExpectedReturnCodes:\n";
    for (const ReturnCode& code : kReturnCodes) {
        out += "  - InstallerReturnCode: " + std::to_string(code.code) + "\n";
        out += "    ReturnResponse: " + std::string(code.response) + "\n";
    }
    return out;
}

std::string YamlSwitches(const LauncherFacts& facts) {
    if (!facts.optionLine.empty()) {
        // A comment ends at the line's end: the option line goes in quoted.
        return "# No InstallerSwitches: the launcher carries the msiexec option line " + YamlString(facts.optionLine) +
               "\n# and ignores the arguments it is started with, so winget cannot make it silent.\n";
    }
    return "InstallerSwitches:\n"
           "  Silent: \"/qn\"\n"
           "  SilentWithProgress: \"/qb\"\n"
           "  Log: \"/l*v \\\"<LOGPATH>\\\"\"\n";
}

std::string YamlScope(const PackageInfo& package) {
    const std::string scope = InstallScope(package);
    if (scope == "perMachine") return "Scope: machine\n";
    return scope == "perUser" ? "Scope: user\n" : "";
}

std::string YamlAppsAndFeatures(const PackageInfo& package) {
    std::string out = "AppsAndFeaturesEntries:\n  - InstallerType: msi\n";
    for (const FieldLimit& limit : kFieldLimits) out += YamlField("    ", limit.field, package.*limit.value);
    return out;
}

}  // namespace

std::string DescribeJson(const LauncherFacts& facts) {
    const bool known = facts.hasPackageInfo;
    const PackageInfo& package = facts.package;
    return std::string("{\n") + "  \"ProductCode\": " + JsonOrNull(known, package.productCode) + ",\n" +
           "  \"UpgradeCode\": " + JsonOrNull(known, package.upgradeCode) + ",\n" +
           "  \"ProductVersion\": " + JsonOrNull(known, package.productVersion) + ",\n" +
           "  \"ProductName\": " + JsonOrNull(known, package.productName) + ",\n" +
           "  \"Manufacturer\": " + JsonOrNull(known, package.manufacturer) + ",\n" +
           "  \"Scope\": " + JsonOrNull(known, InstallScope(package)) + ",\n" +
           "  \"ALLUSERS\": " + JsonOrNull(known, package.allUsers) + ",\n" +
           "  \"MSIINSTALLPERUSER\": " + JsonOrNull(known, package.installPerUser) + ",\n" +
           "  \"PackageCode\": " + JsonOrNull(known, package.packageCode) + ",\n" +
           "  \"Template\": " + JsonOrNull(known, package.platformAndLanguages) + ",\n" +
           "  \"OptionLine\": " + JsonOrNull(true, facts.optionLine) + ",\n" +
           "  \"KeepsPackage\": " + (facts.keepsPackage ? "true" : "false") + ",\n" +
           "  \"ExitCodes\": " + JsonExitCodes() + "\n" + "}\n";
}

std::string WingetInstallerFields(const LauncherFacts& facts) {
    std::string out = "InstallerType: exe\n";
    if (facts.hasPackageInfo) out += YamlScope(facts.package);
    out += YamlSwitches(facts) + YamlReturnCodes();
    if (!facts.hasPackageInfo) return out;
    return out + YamlField("", "ProductCode", facts.package.productCode) + YamlAppsAndFeatures(facts.package);
}

std::string WingetFieldsProblem(const PackageInfo& package) {
    for (const FieldLimit& limit : kFieldLimits) {
        const std::size_t length = CharacterCount(package.*limit.value);
        if (length > limit.most) {
            return "the package's " + std::string(limit.property) + " has " + std::to_string(length) +
                   " characters, more than the " + std::to_string(limit.most) + " winget's " + limit.field + " takes";
        }
    }
    return std::string();
}

std::string WingetInstallerFragment(const LauncherFacts& facts) {
    return std::string("# winget installer manifest fragment for a launcher that carries an MSI.\n") +
           "# Add PackageIdentifier, PackageVersion and Installers (Architecture: x86,\n" +
           "# InstallerUrl, InstallerSha256) yourself, or let launcher-make --winget DIR\n" +
           "# write the complete manifests from the released file.\n" + "ManifestType: installer\n" +
           "ManifestVersion: " + kWingetManifestVersion + "\n" + WingetInstallerFields(facts);
}

}  // namespace ZORVANE
