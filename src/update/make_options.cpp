#include "update/make_options.h"

#include <getopt.h>

#include <cstdio>
#include <string>

#include "update/tool_report.h"

namespace ZORVANE {

namespace {

enum LongOnly { kMsi = 256, kParams, kForce, kHelp, kVersion };

const option kOptions[] = {
    {"msi", required_argument, nullptr, kMsi},
    {"params", required_argument, nullptr, kParams},
    {"output", required_argument, nullptr, 'o'},
    {"force", no_argument, nullptr, kForce},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

constexpr char kHelpText[] =
    "Usage: launcher-make [--msi FILE] [--params TEXT] -o FILE [--force] [SOURCE_LAUNCHER]\n"
    "Makes a launcher from SOURCE_LAUNCHER (a built launcher.exe, or a launcher made\n"
    "from one) that carries the package FILE and the msiexec option line TEXT. The\n"
    "result is byte for byte what 'SOURCE_LAUNCHER -update MSI=FILE Params=TEXT\n"
    "WrapperName=OUTPUT' writes on Windows. Without SOURCE_LAUNCHER, the launcher\n"
    "installed with this program is used: " LAUNCHER_MAKE_INSTALLED_SOURCE "\n"
    "from the folder launcher-make is in.\n"
    "\n"
    "  --msi FILE           the package to carry, copied byte for byte\n"
    "                       (default: keep the source's package)\n"
    "  --params TEXT        the msiexec option line; an empty TEXT keeps the\n"
    "                       source's option line, as Params= does (default: keep it)\n"
    "  -o, --output FILE    the new launcher\n"
    "  --force              replace an existing output (default: refuse)\n"
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
    if (options.output.empty()) {
        ReportUsageError("missing -o/--output FILE");
        return false;
    }
    return true;
}

}  // namespace

MakeRequest ParseMakeOptions(int argc, char** argv, MakeOptions& options) {
    opterr = 0;  // our own one-line messages
    int choice;
    while ((choice = getopt_long(argc, argv, ":o:", kOptions, nullptr)) != -1) {
        switch (choice) {
            case kMsi:
                // An unset variable in a build script must not keep the old package.
                if (!*optarg) {
                    ReportUsageError("--msi needs a file name");
                    return MakeRequest::Invalid;
                }
                options.packagePath = optarg;
                break;
            case kParams: options.params = optarg; break;
            case 'o': options.output = optarg; break;
            case kForce: options.force = true; break;
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
