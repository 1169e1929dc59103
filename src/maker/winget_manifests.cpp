#include "maker/winget_manifests.h"

#include <utility>

#include "maker/text_escape.h"
#include "maker/winget_rules.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kShortestName = 2, kLongestName = 256;
constexpr std::size_t kShortestDescription = 3, kLongestDescription = 256;
constexpr std::size_t kLongestVersion = 128;

std::string SchemaLine(const char* type) {
    return std::string("# yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type + "." +
           kWingetManifestVersion + ".schema.json\n";
}

std::string Ending(const char* type) {
    return std::string("ManifestType: ") + type + "\nManifestVersion: " + kWingetManifestVersion + "\n";
}

std::string Field(const char* key, const std::string& value) {
    return std::string(key) + ": " + YamlString(value) + "\n";
}

bool Fits(const std::string& text, std::size_t least, std::size_t most) {
    const std::size_t length = CharacterCount(text);
    return length >= least && length <= most;
}

// "the package's Manufacturer is empty", "... has 300 characters".
std::string Measured(const char* property, const std::string& text) {
    const std::size_t length = CharacterCount(text);
    if (length == 0) return "the package's " + std::string(property) + " is empty";
    return "the package's " + std::string(property) + " has " + std::to_string(length) +
           (length == 1 ? " character" : " characters");
}

std::string NameProblem(const char* property, const std::string& text, const char* field) {
    if (Fits(text, kShortestName, kLongestName)) return std::string();
    return Measured(property, text) + ": winget's " + field + " takes 2 to 256 characters";
}

std::string VersionProblem(const std::string& version) {
    if (IsWingetPackageVersion(version)) return std::string();
    if (CharacterCount(version) > kLongestVersion) {
        return Measured("ProductVersion", version) + ": winget's PackageVersion takes at most 128";
    }
    if (version.empty()) return "the package has no ProductVersion: winget's PackageVersion needs one";
    return "the package's ProductVersion " + JsonString(version) +
           " holds a character winget's PackageVersion refuses (\\ / : * ? \" < > | or a control character)";
}

std::string PackageProblem(const LauncherFacts& facts) {
    if (!facts.hasPackage) return "carries no package: the winget manifests are made from its package";
    if (!facts.hasPackageInfo) {
        return "no product info (its package is not a readable Windows Installer database): "
               "the winget manifests are made from it";
    }
    const PackageInfo& package = facts.package;
    for (const std::string& problem :
         {WingetFieldsProblem(package), NameProblem("Manufacturer", package.manufacturer, "Publisher"),
          NameProblem("ProductName", package.productName, "PackageName"), VersionProblem(package.productVersion)}) {
        if (!problem.empty()) return problem;
    }
    return std::string();
}

// The package's Comments, else its Subject, else "<ProductName> setup": the
// first that winget takes. A text passed over for its length is warned of.
std::string Description(const PackageInfo& package, WingetManifests& made) {
    const std::pair<const char*, const std::string*> candidates[] = {{"Comments", &package.comments},
                                                                     {"Subject", &package.subject}};
    for (const auto& [property, text] : candidates) {
        if (text->empty()) continue;
        if (Fits(*text, kShortestDescription, kLongestDescription)) return *text;
        made.warnings.push_back(Measured(property, *text) +
                                ", not the 3 to 256 of winget's ShortDescription: it is not used");
    }
    std::string fallback = package.productName + " setup";
    if (Fits(fallback, kShortestDescription, kLongestDescription)) return fallback;
    made.problem =
        "the package has no Comments or Subject of 3 to 256 characters, and \"<ProductName> setup\" "
        "is longer than the 256 winget's ShortDescription takes";
    return std::string();
}

std::string Identity(const WingetIdentity& identity, const PackageInfo& package) {
    return Field("PackageIdentifier", identity.packageId) + Field("PackageVersion", package.productVersion);
}

std::string VersionManifest(const WingetIdentity& identity, const PackageInfo& package) {
    return SchemaLine("version") + Identity(identity, package) + Field("DefaultLocale", identity.locale) +
           Ending("version");
}

std::string LocaleManifest(const WingetIdentity& identity, const PackageInfo& package, const std::string& description) {
    return SchemaLine("defaultLocale") + Identity(identity, package) + Field("PackageLocale", identity.locale) +
           Field("Publisher", package.manufacturer) + Field("PackageName", package.productName) +
           Field("License", identity.license) + Field("ShortDescription", description) + Ending("defaultLocale");
}

std::string InstallerManifest(const WingetIdentity& identity, const LauncherFacts& facts, const std::string& sha256) {
    return SchemaLine("installer") + Identity(identity, facts.package) + WingetInstallerFields(facts) +
           "Installers:\n"
           "  - Architecture: x86\n"
           "    " +
           Field("InstallerUrl", identity.installerUrl) + "    " + Field("InstallerSha256", sha256) +
           Ending("installer");
}

}  // namespace

std::array<std::string, kWingetFiles> WingetFileNames(const WingetIdentity& identity) {
    const std::string& id = identity.packageId;
    return {id + ".yaml", id + ".locale." + identity.locale + ".yaml", id + ".installer.yaml"};
}

WingetManifests MakeWingetManifests(const WingetIdentity& identity, const LauncherFacts& facts,
                                    const std::string& sha256) {
    WingetManifests made;
    made.problem = PackageProblem(facts);
    if (!made.problem.empty()) return made;
    const std::string description = Description(facts.package, made);
    if (!made.problem.empty()) return made;
    if (!facts.optionLine.empty()) {
        made.warnings.push_back(
            "the launcher has an option line and ignores the arguments it is started with: winget cannot make it "
            "silent, and the installer manifest has no InstallerSwitches");
    }
    made.texts = {VersionManifest(identity, facts.package), LocaleManifest(identity, facts.package, description),
                  InstallerManifest(identity, facts, sha256)};
    return made;
}

}  // namespace ZORVANE
