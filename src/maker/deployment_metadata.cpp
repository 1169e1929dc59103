#include "maker/deployment_metadata.h"

#include <iterator>

#include "maker/text_escape.h"

namespace ZORVANE {

namespace {

// The launcher's exit codes as README's table for administrators gives them.
struct ExitCode {
    int code;
    const char* meaning;
    const char* wingetResponse;  // null: success, winget needs no entry
};

constexpr ExitCode kExitCodes[] = {
    {0, "msiexec: the installation succeeded", nullptr},
    {3010, "msiexec: succeeded, a restart is needed to complete it", "rebootRequiredToFinish"},
    {1641, "msiexec: succeeded, the installer has started a restart", "rebootInitiated"},
    {1618, "msiexec: another installation is in progress; retry later", "installInProgress"},
    {1602, "msiexec: the user cancelled the installation", "cancelledByUser"},
    {1603, "msiexec: fatal error during installation; or the launcher could not start the installer", "contactSupport"},
};

constexpr char kWingetSchemaVersion[] = "1.10.0";

std::string JsonOrNull(bool known, const std::string& text) { return known ? JsonString(text) : "null"; }

std::string JsonExitCodes() {
    std::string out = "[\n";
    for (const ExitCode& exit : kExitCodes) {
        out += "    {\"Code\": " + std::to_string(exit.code) + ", \"Meaning\": " + JsonString(exit.meaning) + "}";
        out += &exit == &kExitCodes[std::size(kExitCodes) - 1] ? "\n" : ",\n";
    }
    return out + "  ]";
}

std::string YamlReturnCodes() {
    std::string out = "ExpectedReturnCodes:\n";
    for (const ExitCode& exit : kExitCodes) {
        if (exit.wingetResponse == nullptr) continue;
        out += "  - InstallerReturnCode: " + std::to_string(exit.code) + "\n";
        out += "    ReturnResponse: " + std::string(exit.wingetResponse) + "\n";
    }
    return out;
}

std::string YamlSwitches(const LauncherFacts& facts) {
    if (!facts.optionLine.empty()) {
        // A comment ends at the line's end: the option line goes in quoted.
        return "# No InstallerSwitches: the launcher carries the msiexec option line " + YamlString(facts.optionLine) +
               "\n# and ignores the arguments it is started with.\n";
    }
    return "InstallerSwitches:\n"
           "  Silent: \"/qn\"\n"
           "  SilentWithProgress: \"/qb\"\n"
           "  Log: \"/l*v \\\"<LOGPATH>\\\"\"\n";
}

std::string YamlAppsAndFeatures(const PackageInfo& package) {
    return "AppsAndFeaturesEntries:\n"
           "  - DisplayName: " +
           YamlString(package.productName) +
           "\n"
           "    Publisher: " +
           YamlString(package.manufacturer) +
           "\n"
           "    DisplayVersion: " +
           YamlString(package.productVersion) +
           "\n"
           "    ProductCode: " +
           YamlString(package.productCode) +
           "\n"
           "    UpgradeCode: " +
           YamlString(package.upgradeCode) +
           "\n"
           "    InstallerType: msi\n";
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
           "  \"OptionLine\": " + JsonOrNull(!facts.optionLine.empty(), facts.optionLine) + ",\n" +
           "  \"ExitCodes\": " + JsonExitCodes() + "\n" + "}\n";
}

std::string WingetInstallerFragment(const LauncherFacts& facts) {
    std::string out = std::string("# winget installer manifest fragment for a launcher that carries an MSI.\n") +
                      "# Add PackageIdentifier, PackageVersion and Installers (Architecture: x86,\n" +
                      "# InstallerUrl, InstallerSha256) yourself.\n" + "ManifestType: installer\n" +
                      "ManifestVersion: " + kWingetSchemaVersion + "\n" + "InstallerType: exe\n";
    if (facts.hasPackageInfo) out += "ProductCode: " + YamlString(facts.package.productCode) + "\n";
    out += YamlSwitches(facts) + YamlReturnCodes();
    if (facts.hasPackageInfo) out += YamlAppsAndFeatures(facts.package);
    return out;
}

}  // namespace ZORVANE
