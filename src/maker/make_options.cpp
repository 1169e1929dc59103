#include "maker/make_options.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "common/payload.h"
#include "common/utf8.h"
#include "maker/tool_report.h"
#include "maker/winget_rules.h"

namespace ZORVANE {

namespace {

enum LongOnly {
    kMsi = 256,
    kParams,
    kForce,
    kHelp,
    kVersion,
    kIcon,
    kKeepPackage,
    kNoProductInfo,
    kDescribe,
    kWingetManifest,
    kWingetFolder,
    kPackageId,
    kInstallerUrl,
    kLicense,
    kLocale,
};

const option kOptions[] = {
    {"msi", required_argument, nullptr, kMsi},
    {"params", required_argument, nullptr, kParams},
    {"output", required_argument, nullptr, 'o'},
    {"force", no_argument, nullptr, kForce},
    {"icon", required_argument, nullptr, kIcon},
    {"keep-package", no_argument, nullptr, kKeepPackage},
    {"no-product-info", no_argument, nullptr, kNoProductInfo},
    {"describe", no_argument, nullptr, kDescribe},
    {"winget-manifest", required_argument, nullptr, kWingetManifest},
    {"winget", required_argument, nullptr, kWingetFolder},
    {"package-id", required_argument, nullptr, kPackageId},
    {"installer-url", required_argument, nullptr, kInstallerUrl},
    {"license", required_argument, nullptr, kLicense},
    {"locale", required_argument, nullptr, kLocale},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

constexpr char kHelpText[] =
    "Usage: launcher-make [--msi FILE] [--params TEXT] [--icon FILE.ico] [--keep-package]\n"
    "                     [--no-product-info] [--describe] [--winget-manifest FILE]\n"
    "                     -o FILE [--force] [SOURCE_LAUNCHER]\n"
    "  or:  launcher-make --winget DIR --package-id PUBLISHER.PRODUCT --installer-url URL\n"
    "                     [--license TEXT] [--locale TAG] [--describe] [--force] LAUNCHER\n"
    "Makes a launcher from SOURCE_LAUNCHER (a built launcher.exe, or a launcher made\n"
    "from one) that carries the package FILE and the msiexec option line TEXT. The\n"
    "result shows the package's product in its version resource; with\n"
    "--no-product-info it is byte for byte what 'SOURCE_LAUNCHER -update MSI=FILE\n"
    "Params=TEXT WrapperName=OUTPUT' writes on Windows. Without SOURCE_LAUNCHER, the\n"
    "launcher installed with this program is used: " LAUNCHER_MAKE_INSTALLED_SOURCE
    "\n"
    "from the folder launcher-make is in.\n"
    "\n"
    "  --msi FILE           the package to carry, copied byte for byte\n"
    "                       (default: keep the source's package)\n"
    "  --params TEXT        the msiexec option line (UTF-8); an empty TEXT keeps the\n"
    "                       source's option line, as Params= does (default: keep it)\n"
    "  -o, --output FILE    the new launcher\n"
    "  --force              replace an existing output (default: refuse)\n"
    "  --icon FILE.ico      the icon Explorer shows (default: keep the source's)\n"
    "  --keep-package       keep the installed package in a protected cache, so that\n"
    "                       Repair, self-repair and patches find their source\n"
    "                       (default: keep the source's mark, if it has one)\n"
    "  --no-product-info    keep the source's version resource; the result is then\n"
    "                       byte for byte what -update writes (default: a version\n"
    "                       resource with the package's name, maker and version)\n"
    "  --describe           print the package's codes, version, names and scope, the\n"
    "                       option line, whether the package is kept and the exit\n"
    "                       codes as JSON on standard output\n"
    "  --winget-manifest FILE\n"
    "                       write a winget installer-manifest fragment (YAML)\n"
    "                       With --describe or --winget-manifest, -o may be left\n"
    "                       out: then no launcher is written.\n"
    "  --winget DIR         write the three winget manifests (version, defaultLocale\n"
    "                       and installer, schema 1.28.0) of the released, usually\n"
    "                       signed, LAUNCHER into the folder DIR, filled from the\n"
    "                       package it carries and with its SHA-256; LAUNCHER is\n"
    "                       described as it is, so --keep-package, -o, --msi,\n"
    "                       --params and --icon do not go with it\n"
    "  --package-id PUBLISHER.PRODUCT\n"
    "                       the winget PackageIdentifier (with --winget)\n"
    "  --installer-url URL  where LAUNCHER is downloaded from, http:// or https://\n"
    "  --license TEXT       the manifests' License (default: Proprietary)\n"
    "  --locale TAG         the manifests' locale (default: en-US)\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "The new launcher appears under its name only when it is complete. A source's\n"
    "signature does not survive a replaced payload: sign the new launcher afterwards.\n"
    "An output replaces an existing regular file only with --force, and never one of\n"
    "the run's inputs, a folder, a device or a FIFO (or a link to one). Outputs are\n"
    "files: '-' names none (write ./- for a file of that name), and only --describe\n"
    "writes to standard output. Every output is complete before the first takes its\n"
    "name, so a failure writes none of them.\n"
    "\n"
    "Exit status: 0 when every output was written, 1 when none was (an input could\n"
    "not be read, the source is damaged, the package is too large or does not fill\n"
    "a winget manifest, an output exists or could not be written), 2 for a wrong\n"
    "command line.\n";

bool Refuse(const char* what) {
    ReportUsageError(what);
    return false;
}

// The released file is described as it is: nothing may change it.
bool CheckWinget(const MakeOptions& options, int operands) {
    if (!options.output.empty() || !options.packagePath.empty() || !options.params.empty() ||
        !options.iconPath.empty() || options.keepPackage) {
        return Refuse(
            "--winget describes the released LAUNCHER as it is: --keep-package, -o, --msi, --params and "
            "--icon do not go with it");
    }
    if (operands == 0) return Refuse("--winget needs the released LAUNCHER");
    if (options.winget.packageId.empty()) return Refuse("--winget needs --package-id PUBLISHER.PRODUCT");
    if (options.winget.installerUrl.empty()) return Refuse("--winget needs --installer-url URL");
    struct stat status {};
    if (stat(options.wingetFolder.c_str(), &status) != 0) {
        ReportFileErrno(options.wingetFolder, errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) return true;
    ReportFileError(options.wingetFolder, "not a folder (--winget writes its manifests into one)");
    return false;
}

bool CheckComplete(const MakeOptions& options, int operands, bool identityGiven) {
    if (operands > 1) return Refuse("more than one SOURCE_LAUNCHER");
    if (!options.wingetFolder.empty()) return CheckWinget(options, operands);
    if (identityGiven) return Refuse("--package-id, --installer-url, --license and --locale go with --winget DIR");
    if (options.output.empty() && !options.describe && options.wingetManifest.empty()) {
        return Refuse("missing -o/--output FILE");
    }
    return true;
}

// An empty value (an unset variable in a build script) names no file.
bool NamesFile(const char* option, const char* what = "a file name") {
    if (*optarg) return true;
    ReportUsageError((std::string(option) + " needs " + what).c_str());
    return false;
}

// Standard output is no file to publish whole or not at all.
bool NamesNoStream(const char* option) {
    if (std::string(optarg) != "-") return true;
    ReportUsageError((std::string(option) + " -: outputs are files, and only --describe writes to standard output "
                                            "(write ./- for a file named -)")
                         .c_str());
    return false;
}

// The values only the package's publisher knows, checked as winget's schemas demand.
bool ReadWingetIdentity(int choice, WingetIdentity& identity) {
    const std::string value = optarg;
    switch (choice) {
        case kPackageId:
            identity.packageId = value;
            return IsWingetPackageIdentifier(value) ||
                   Refuse(
                       "--package-id must be PUBLISHER.PRODUCT: 2 to 8 parts of 1 to 32 characters joined by "
                       "dots, none of them blank or \\ / : * ? \" < > |, at most 128 in all");
        case kInstallerUrl:
            identity.installerUrl = value;
            return IsWingetUrl(value) ||
                   Refuse(
                       "--installer-url must be an http:// or https:// URL of at most 2048 characters, without "
                       "control characters");
        case kLicense:
            identity.license = value;
            return (IsValidUtf8(value) && CharacterCount(value) >= 3 && CharacterCount(value) <= 512) ||
                   Refuse("--license must be UTF-8 text of 3 to 512 characters");
        default:
            identity.locale = value;
            return IsWingetLocale(value) ||
                   Refuse("--locale must be a language tag such as en-US, of at most 20 characters");
    }
}

}  // namespace

MakeRequest ParseMakeOptions(int argc, char** argv, MakeOptions& options) {
    opterr = 0;  // our own one-line messages
    bool identityGiven = false;
    int choice;
    while ((choice = getopt_long(argc, argv, ":o:", kOptions, nullptr)) != -1) {
        switch (choice) {
            case kMsi:
                // An unset variable in a build script must not keep the old package.
                if (!NamesFile("--msi")) return MakeRequest::Invalid;
                options.packagePath = optarg;
                break;
            case kParams:
                // Launchers read their option line as UTF-8; other bytes would
                // be taken for the ANSI code page of whoever runs the launcher.
                if (!IsValidUtf8(optarg)) {
                    ReportUsageError("--params is not UTF-8 text");
                    return MakeRequest::Invalid;
                }
                if (Utf16Length(optarg) > kLongestOptionLine) {
                    ReportUsageError("--params is longer than the launcher can pass to msiexec (32239 characters)");
                    return MakeRequest::Invalid;
                }
                options.params = optarg;
                break;
            case 'o':
                if (!NamesNoStream("-o")) return MakeRequest::Invalid;
                options.output = optarg;
                break;
            case kForce: options.force = true; break;
            case kIcon:
                if (!NamesFile("--icon")) return MakeRequest::Invalid;
                options.iconPath = optarg;
                break;
            case kKeepPackage: options.keepPackage = true; break;
            case kNoProductInfo: options.productInfo = false; break;
            case kDescribe: options.describe = true; break;
            case kWingetManifest:
                if (!NamesFile("--winget-manifest") || !NamesNoStream("--winget-manifest")) return MakeRequest::Invalid;
                options.wingetManifest = optarg;
                break;
            case kWingetFolder:
                if (!NamesFile("--winget", "a folder name")) return MakeRequest::Invalid;
                options.wingetFolder = optarg;
                break;
            case kPackageId:
            case kInstallerUrl:
            case kLicense:
            case kLocale:
                if (!ReadWingetIdentity(choice, options.winget)) return MakeRequest::Invalid;
                identityGiven = true;
                break;
            case kHelp: return MakeRequest::Help;
            case kVersion: return MakeRequest::Version;
            case ':':
                ReportUsageError(("option " + std::string(argv[optind - 1]) + " needs a value").c_str());
                return MakeRequest::Invalid;
            default:
                ReportUsageError(("unknown option " + std::string(argv[optind - 1])).c_str());
                return MakeRequest::Invalid;
        }
    }
    if (!CheckComplete(options, argc - optind, identityGiven)) return MakeRequest::Invalid;
    if (optind < argc) options.source = argv[optind];
    return MakeRequest::Make;
}

void PrintHelp() { std::fputs(kHelpText, stdout); }

void PrintVersion() { std::printf("%s %s\n", kMakerName, LAUNCHER_MAKE_VERSION); }

}  // namespace ZORVANE
