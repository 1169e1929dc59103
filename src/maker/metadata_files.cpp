#include "maker/metadata_files.h"

#include <signal.h>

#include <cerrno>
#include <cstring>

#include "maker/file_digest.h"
#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

bool MakeFragment(const MakeOptions& options, const LauncherFacts& facts, std::string& fragment) {
    const std::string problem = facts.hasPackageInfo ? WingetFieldsProblem(facts.package) : std::string();
    if (!problem.empty()) {
        ReportFileError(PackageName(options), problem.c_str());
        return false;
    }
    fragment = WingetInstallerFragment(facts);
    return true;
}

bool MakeManifests(const MakeOptions& options, std::FILE* source, const LauncherFacts& facts,
                   std::array<std::string, kWingetFiles>& manifests) {
    std::string sha256;
    if (!Sha256OfStream(source, sha256)) {
        ReportFileError(options.source, errno != 0 ? std::strerror(errno) : "read error");
        return false;
    }
    WingetManifests made = MakeWingetManifests(options.winget, facts, sha256);
    if (!made.problem.empty()) {
        ReportFileError(options.source, made.problem.c_str());
        return false;
    }
    for (const std::string& warning : made.warnings) ReportFileError(options.source, ("warning: " + warning).c_str());
    manifests = std::move(made.texts);
    return true;
}

}  // namespace

bool MakeMetadataTexts(const MakeOptions& options, std::FILE* source, const LauncherFacts& facts,
                       MetadataTexts& texts) {
    if (!options.wingetManifest.empty() && !MakeFragment(options, facts, texts.fragment)) return false;
    return options.wingetFolder.empty() || MakeManifests(options, source, facts, texts.manifests);
}

bool WriteDescription(const LauncherFacts& facts, bool filesPending) {
    // EPIPE instead of SIGPIPE, which would end the process before it removes what it staged.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    errno = 0;
    const bool written = std::fputs(DescribeJson(facts).c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    const int error = errno;
    sigaction(SIGPIPE, &previous, nullptr);
    if (!written) {
        const std::string what = error != 0 ? std::strerror(error) : "write error";
        ReportFileError("standard output", (filesPending ? what + " (no file was written)" : what).c_str());
    }
    return written;
}

}  // namespace ZORVANE
