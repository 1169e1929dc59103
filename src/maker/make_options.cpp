#include "maker/make_options.h"

#include <getopt.h>

#include <cstdio>
#include <string>

#include "common/payload.h"
#include "common/utf8.h"
#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

enum LongOnly { kMsi = 256, kParams, kForce, kHelp, kVersion, kIcon, kNoProductInfo, kDescribe, kWinget };


const option kOptions[] = {
    {"msi", required_argument, nullptr, kMsi},
    {"params", required_argument, nullptr, kParams},
    {"output", required_argument, nullptr, 'o'},
    {"force", no_argument, nullptr, kForce},
    {"icon", required_argument, nullptr, kIcon},
    {"no-product-info", no_argument, nullptr, kNoProductInfo},
    {"describe", no_argument, nullptr, kDescribe},
    {"winget-manifest", required_argument, nullptr, kWinget},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

constexpr char kHelpText[] =
    "Usage: launcher-make [--msi FILE] [--params TEXT] [--icon FILE.ico] [--no-product-info]\n"
    "                     [--describe] [--winget-manifest FILE] -o FILE [--force] [SOURCE_LAUNCHER]\n"
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
    "  --no-product-info    keep the source's version resource; the result is then\n"
    "                       byte for byte what -update writes (default: a version\n"
    "                       resource with the package's name, maker and version)\n"
    "  --describe           print the package's codes, version, names and scope, the\n"
    "                       option line and the exit codes as JSON on standard output\n"
    "  --winget-manifest FILE\n"
    "                       write a winget installer-manifest fragment (YAML)\n"
    "                       With --describe or --winget-manifest, -o may be left\n"
    "                       out: then no launcher is written.\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "The new launcher appears under its name only when it is complete. A source's\n"
    "signature does not survive a replaced payload: sign the new launcher afterwards.\n"
    "\n"
    "Exit status: 0 when the launcher was written, 1 when it was not (an input\n"
    "could not be read, the source is damaged, the package is too large, the output\n"
    "exists or could not be written), 2 for a wrong command line.\n";

bool CheckComplete(const MakeOptions& options, int operands) {
    if (operands > 1) {
        ReportUsageError("more than one SOURCE_LAUNCHER");
        return false;
    }
    if (options.output.empty() && !options.describe && options.wingetManifest.empty()) {
        ReportUsageError("missing -o/--output FILE");
        return false;
    }
    return true;
}

// An empty value (an unset variable in a build script) names no file.
bool NamesFile(const char* option) {
    if (*optarg) return true;
    ReportUsageError((std::string(option) + " needs a file name").c_str());
    return false;
}

}  // namespace

MakeRequest ParseMakeOptions(int argc, char** argv, MakeOptions& options) {
    opterr = 0;  // our own one-line messages
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
            case 'o': options.output = optarg; break;
            case kForce: options.force = true; break;
            case kIcon:
                if (!NamesFile("--icon")) return MakeRequest::Invalid;
                options.iconPath = optarg;
                break;
            case kNoProductInfo: options.productInfo = false; break;
            case kDescribe: options.describe = true; break;
            case kWinget:
                if (!NamesFile("--winget-manifest")) return MakeRequest::Invalid;
                options.wingetManifest = optarg;
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
    if (!CheckComplete(options, argc - optind)) return MakeRequest::Invalid;
    if (optind < argc) options.source = argv[optind];
    return MakeRequest::Make;
}

void PrintHelp() { std::fputs(kHelpText, stdout); }

void PrintVersion() { std::printf("%s %s\n", kMakerName, LAUNCHER_MAKE_VERSION); }

}  // namespace ZORVANE
