// launcher-make: makes a launcher from a built launcher.exe and a package on
// a Linux build server, without Windows or Wine. It writes through the same
// writer as the launcher's own -update, so both make the same bytes.
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "update/input_file.h"
#include "update/installed_launcher.h"
#include "update/launcher_image.h"
#include "update/make_options.h"
#include "update/pending_output.h"
#include "update/progress_line.h"
#include "update/tool_report.h"

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

void ReportWriteStatus(ImageWriteStatus status, const MakeOptions& options, MakeInputs& inputs,
                       int error) {
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

// error: errno as the writer left it, 0 when it set none.
ImageWriteStatus WriteImage(const MakeOptions& options, MakeInputs& inputs, std::FILE* output,
                            int& error) {
    PayloadReplacement replacement;
    replacement.package = inputs.package.stream.get();
    replacement.packageSize = inputs.package.size;
    replacement.replaceParams = !options.params.empty();
    replacement.params = options.params;
    ProgressLine progress(options.output);
    errno = 0;
    const ImageWriteStatus status = WriteLauncherImage(inputs.source.stream.get(), replacement, output,
                                                       &ProgressLine::Report, &progress);
    error = errno;
    return status;
}

// Nothing to replace: -update then leaves its copy untouched, signature and
// all. The writer's checks still make sure the source is a launcher.
ImageWriteStatus CopySource(MakeInputs& inputs, std::FILE* output, int& error) {
    errno = 0;
    const ImageWriteStatus checked = CheckLauncherImage(inputs.source.stream.get(), {});
    if (checked != ImageWriteStatus::Written) {
        error = errno;
        return checked;
    }
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

bool MakeLauncher(MakeOptions& options) {
    if (options.source.empty() && !FindInstalledLauncher(options.source)) return false;
    MakeInputs inputs;
    if (!OpenInputs(options, inputs) || !OutputMayBeWritten(options)) return false;
    PendingOutput output;
    if (!output.Create(options.output, inputs.source.mode)) return false;
    int error = 0;
    const ImageWriteStatus status = options.packagePath.empty() && options.params.empty()
                                        ? CopySource(inputs, output.Stream(), error)
                                        : WriteImage(options, inputs, output.Stream(), error);
    if (status != ImageWriteStatus::Written) {
        ReportWriteStatus(status, options, inputs, error);
        return false;
    }
    return output.Publish(options.force);
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
