// launcher-make: makes a launcher from a built launcher.exe and a package on
// a Linux build server, without Windows or Wine. It writes through the same
// writer as the launcher's own -update, so both make the same bytes.
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "image/launcher_image.h"
#include "maker/deployment_metadata.h"
#include "maker/input_file.h"
#include "maker/installed_launcher.h"
#include "maker/launcher_facts.h"
#include "maker/make_options.h"
#include "maker/pending_output.h"
#include "maker/product_resources.h"
#include "maker/progress_line.h"
#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

struct MakeInputs {
    InputFile source;
    InputFile package;  // no stream: keep the source's
};

bool OpenInputs(const MakeOptions& options, MakeInputs& inputs) {
    if (!OpenInputFile(options.source, inputs.source)) return false;
    return options.packagePath.empty() || OpenInputFile(options.packagePath, inputs.package);
}

// Refuses up front what would fail after the whole package was written.
bool OutputMayBeWritten(const MakeOptions& options) {
    struct stat status {};
    if (lstat(options.output.c_str(), &status) != 0) return true;
    if (!options.force) {
        ReportFileError(options.output, "File exists (use --force to replace it)");
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        ReportFileErrno(options.output, EISDIR);
        return false;
    }
    return true;
}

// Names the input that could not be read: the package, unless only the
// source shows an error.
void ReportReadFailure(const MakeOptions& options, MakeInputs& inputs, int error) {
    std::FILE* package = inputs.package.stream.get();
    const bool sourceFailed = std::ferror(inputs.source.stream.get()) && !(package && std::ferror(package));
    const std::string& file = sourceFailed || !package ? options.source : options.packagePath;
    if (error != 0) {
        ReportFileErrno(file, error);
    } else {
        ReportFileError(file, "read error (did it change while it was read?)");
    }
}

void ReportWriteStatus(ImageWriteStatus status, const MakeOptions& options, MakeInputs& inputs, int error) {
    switch (status) {
        case ImageWriteStatus::Written: break;
        case ImageWriteStatus::SourceDamaged:
            ReportFileError(options.source, "not a launcher image (damaged, or not a launcher.exe)");
            break;
        case ImageWriteStatus::TooLarge:
            ReportFileError(options.packagePath.empty() ? options.source : options.packagePath,
                            "too large: the launcher would not fit in a 32-bit process");
            break;
        case ImageWriteStatus::ReadFailed: ReportReadFailure(options, inputs, error); break;
        case ImageWriteStatus::WriteFailed:
            if (error != 0) {
                ReportFileErrno(options.output, error);
            } else {
                ReportFileError(options.output, "write error");
            }
            break;
    }
}

PayloadReplacement Payload(const MakeOptions& options, MakeInputs& inputs) {
    PayloadReplacement replacement;
    replacement.package = inputs.package.stream.get();
    replacement.packageSize = inputs.package.size;
    replacement.replaceParams = !options.params.empty();
    replacement.params = options.params;
    return replacement;
}

// error: errno as the writer left it, 0 when it set none.
ImageWriteStatus WriteImage(const MakeOptions& options, const ImageModel& model, std::FILE* output, int& error) {
    ProgressLine progress(options.output);
    errno = 0;
    const ImageWriteStatus status = WriteModel(model, output, &ProgressLine::Report, &progress);
    error = errno;
    return status;
}

// Nothing to replace: -update then leaves its copy untouched, signature and
// all. The writer's checks of the model read still make sure the source is a
// launcher.
ImageWriteStatus CopySource(MakeInputs& inputs, const ImageModel& model, std::FILE* output, int& error) {
    const ImageWriteStatus checked = CheckModel(model);
    if (checked != ImageWriteStatus::Written) return checked;
    errno = 0;
    std::FILE* source = inputs.source.stream.get();
    std::rewind(source);
    std::vector<char> buffer(1 << 20);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), source)) > 0) {
        if (std::fwrite(buffer.data(), 1, got, output) != got) {
            error = errno;
            return ImageWriteStatus::WriteFailed;
        }
    }
    error = errno;
    return std::ferror(source) ? ImageWriteStatus::ReadFailed : ImageWriteStatus::Written;
}

// changed: the model differs from the source; otherwise it is copied as is.
bool WriteLauncher(const MakeOptions& options, MakeInputs& inputs, const ImageModel& model, bool changed) {
    PendingOutput output;
    if (!output.Create(options.output, inputs.source.mode)) return false;
    int error = 0;
    const ImageWriteStatus status = changed ? WriteImage(options, model, output.Stream(), error)
                                            : CopySource(inputs, model, output.Stream(), error);
    if (status != ImageWriteStatus::Written) {
        ReportWriteStatus(status, options, inputs, error);
        return false;
    }
    return output.Publish(options.force);
}

bool WriteText(const std::string& path, const std::string& text) {
    PendingOutput output;
    if (!output.Create(path, 0666)) return false;
    if (std::fwrite(text.data(), 1, text.size(), output.Stream()) != text.size()) {
        ReportFileErrno(path, errno);
        return false;
    }
    return output.Publish(true);
}

bool WriteMetadata(const MakeOptions& options, const LauncherFacts& facts) {
    // A deployment pipeline reads this JSON: a short write is a failure.
    if (options.describe && (std::fputs(DescribeJson(facts).c_str(), stdout) < 0 || std::fflush(stdout) != 0)) {
        ReportFileErrno("standard output", errno);
        return false;
    }
    return options.wingetManifest.empty() || WriteText(options.wingetManifest, WingetInstallerFragment(facts));
}

// The source read once, the payload, icon and version resource put in.
bool ReadModel(const MakeOptions& options, MakeInputs& inputs, ImageModel& model) {
    errno = 0;
    const ImageWriteStatus status = ReadLauncherImage(inputs.source.stream.get(), Payload(options, inputs), model);
    ReportWriteStatus(status, options, inputs, errno);
    return status == ImageWriteStatus::Written;
}

// Without an output, the launcher described must still be one that could be written.
bool CheckDescribed(const MakeOptions& options, MakeInputs& inputs, const ImageModel& model) {
    const ImageWriteStatus status = CheckModel(model);
    ReportWriteStatus(status, options, inputs, 0);
    return status == ImageWriteStatus::Written;
}

bool MakeLauncher(MakeOptions& options) {
    if (options.source.empty() && !FindInstalledLauncher(options.source)) return false;
    MakeInputs inputs;
    const bool writes = !options.output.empty();
    if (!OpenInputs(options, inputs) || (writes && !OutputMayBeWritten(options))) return false;
    ImageModel model;
    if (!ReadModel(options, inputs, model)) return false;
    // Checked without -o too: what is described is what would be written.
    const bool iconed = !options.iconPath.empty();
    if (iconed && !AddIconResources(options.iconPath, model)) return false;
    const bool versioned = writes && options.productInfo;
    LauncherFacts facts;
    if ((versioned || options.describe || !options.wingetManifest.empty()) &&
        !GatherLauncherFacts(options, model, facts)) {
        return false;
    }
    const std::string& package = options.packagePath.empty() ? options.source : options.packagePath;
    const bool described = versioned && facts.hasPackageInfo;
    if (described && !AddVersionResource(facts.package, package, options.output, model)) return false;
    const bool changed = !options.packagePath.empty() || !options.params.empty() || iconed || described;
    if (!(writes ? WriteLauncher(options, inputs, model, changed) : CheckDescribed(options, inputs, model))) {
        return false;
    }
    if (versioned && facts.hasPackage && !facts.hasPackageInfo) {
        ReportFileError(package,
                        "no product info (not a readable Windows Installer database): "
                        "the version resource was kept");
    }
    return WriteMetadata(options, facts);
}

// Help and version text is output like any other: a full disk is a failure.
int FinishOutput() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    ReportFileErrno("standard output", errno);
    return 1;
}

}  // namespace

}  // namespace ZORVANE

int main(int argc, char** argv) {
    using namespace ZORVANE;
    MakeOptions options;
    switch (ParseMakeOptions(argc, argv, options)) {
        case MakeRequest::Help: PrintHelp(); return FinishOutput();
        case MakeRequest::Version: PrintVersion(); return FinishOutput();
        case MakeRequest::Invalid: return 2;
        case MakeRequest::Make: break;
    }
    return MakeLauncher(options) ? 0 : 1;
}
