// launcher-make: makes a launcher from a built launcher.exe and a package on
// a Linux build server, without Windows or Wine. It writes through the same
// writer as the launcher's own -update, so both make the same bytes.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "image/image_writer.h"
#include "image/launcher_image.h"
#include "maker/deployment_metadata.h"
#include "maker/input_file.h"
#include "maker/installed_launcher.h"
#include "maker/launcher_facts.h"
#include "maker/make_options.h"
#include "maker/metadata_files.h"
#include "maker/output_set.h"
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

constexpr std::size_t kNoOutput = SIZE_MAX;

// Each output's number in the run's OutputSet, kNoOutput when not written.
struct PlannedOutputs {
    std::size_t launcher = kNoOutput;
    std::size_t fragment = kNoOutput;
    std::array<std::size_t, kWingetFiles> manifests = {kNoOutput, kNoOutput, kNoOutput};
};

// Every output is known before anything is read, so that all are checked up front.
PlannedOutputs PlanOutputs(const MakeOptions& options, const MakeInputs& inputs, OutputSet& outputs) {
    PlannedOutputs planned;
    if (!options.output.empty()) planned.launcher = outputs.Add(options.output, inputs.source.mode);
    if (!options.wingetManifest.empty()) planned.fragment = outputs.Add(options.wingetManifest, 0666);
    if (options.wingetFolder.empty()) return planned;
    const std::array<std::string, kWingetFiles> names = WingetFileNames(options.winget);
    for (std::size_t i = 0; i < kWingetFiles; ++i) {
        planned.manifests[i] = outputs.Add(options.wingetFolder + "/" + names[i], 0666);
    }
    return planned;
}

std::vector<FileIdentity> InputIdentities(const MakeOptions& options, const MakeInputs& inputs) {
    std::vector<FileIdentity> identities = {inputs.source.identity};
    if (inputs.package.stream) identities.push_back(inputs.package.identity);
    // The icon is opened later; one that cannot be found is reported then.
    struct stat icon {};
    if (!options.iconPath.empty() && stat(options.iconPath.c_str(), &icon) == 0) {
        identities.push_back({icon.st_dev, icon.st_ino});
    }
    return identities;
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

void ReportDamage(const MakeOptions& options, const std::string& reason) {
    const std::string what = "not a launcher image (damaged, or not a launcher.exe): " + reason;
    ReportFileError(options.source, what.c_str());
}

void ReportReadResult(const ImageReadResult& read, const MakeOptions& options, MakeInputs& inputs, int error) {
    if (read.failure == ImageReadFailure::LengthUnknown) {
        ReportReadFailure(options, inputs, error);
    } else if (!read.Passed()) {
        ReportDamage(options, ImageReadReason(read));
    }
}

void ReportLayoutStatus(ImageLayoutStatus status, const MakeOptions& options) {
    switch (status) {
        case ImageLayoutStatus::LaidOut: break;
        case ImageLayoutStatus::TooLarge:
            ReportFileError(options.packagePath.empty() ? options.source : options.packagePath,
                            "too large: the launcher would not fit in a 32-bit process");
            break;
        case ImageLayoutStatus::Unsound: ReportDamage(options, "its resources cannot be laid out again"); break;
    }
}

void ReportWriteStatus(ImageWriteStatus status, const MakeOptions& options, MakeInputs& inputs, int error) {
    switch (status) {
        case ImageWriteStatus::Written: break;
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
    replacement.keepPackage = options.keepPackage;
    return replacement;
}

// error: errno as the writer left it, 0 when it set none.
ImageWriteStatus WriteImage(const MakeOptions& options, const ImageModel& model, const ImageLayout& layout,
                            std::FILE* output, int& error) {
    ProgressLine progress(options.output);
    errno = 0;
    const ImageWriteStatus status = WriteModel(model, layout, output, &ProgressLine::Report, &progress);
    error = errno;
    return status;
}

// Nothing replaced: -update then leaves its copy untouched, signature and
// all, and so does the maker.
ImageWriteStatus CopySource(const ImageModel& model, std::FILE* output, int& error) {
    errno = 0;
    const ImageWriteStatus status = CopyUnchanged(model, output);
    error = errno;
    return status;
}

bool StageLauncher(const MakeOptions& options, MakeInputs& inputs, const ImageModel& model, const ImageLayout& layout,
                   std::FILE* output) {
    if (output == nullptr) return false;
    int error = 0;
    const ImageWriteStatus status =
        model.Changed() ? WriteImage(options, model, layout, output, error) : CopySource(model, output, error);
    ReportWriteStatus(status, options, inputs, error);
    return status == ImageWriteStatus::Written;
}

bool StageMetadata(const PlannedOutputs& planned, const MetadataTexts& texts, OutputSet& outputs) {
    if (planned.fragment != kNoOutput && !outputs.StageText(planned.fragment, texts.fragment)) return false;
    for (std::size_t i = 0; i < kWingetFiles; ++i) {
        if (planned.manifests[i] != kNoOutput && !outputs.StageText(planned.manifests[i], texts.manifests[i])) {
            return false;
        }
    }
    return true;
}

// The source read once, the payload, icon and version resource put in.
bool ReadModel(const MakeOptions& options, MakeInputs& inputs, ImageModel& model) {
    errno = 0;
    const ImageReadResult read = ReadLauncherImage(inputs.source.stream.get(), Payload(options, inputs), model);
    ReportReadResult(read, options, inputs, errno);
    return read.Passed();
}

// Laid out once; without an output, the launcher described must still be
// one that could be written.
bool LayOut(const MakeOptions& options, const ImageModel& model, ImageLayout& layout) {
    ImageLayoutResult laidOut = CheckModel(model);
    ReportLayoutStatus(laidOut.status, options);
    layout = std::move(laidOut.layout);
    return laidOut.LaidOut();
}

// The launcher's model with everything put in, and what it carries.
bool PrepareModel(const MakeOptions& options, MakeInputs& inputs, bool writes, ImageModel& model,
                  LauncherFacts& facts) {
    if (!ReadModel(options, inputs, model)) return false;
    // Checked without -o too: what is described is what would be written.
    if (!options.iconPath.empty() && !AddIconResources(options.iconPath, model)) return false;
    const bool versioned = writes && options.productInfo;
    if ((versioned || options.describe || !options.wingetManifest.empty() || !options.wingetFolder.empty()) &&
        !GatherLauncherFacts(options, model, facts)) {
        return false;
    }
    return !(versioned && facts.hasPackageInfo) ||
           AddVersionResource(facts.package, PackageName(options), options.output, model);
}

bool MakeLauncher(MakeOptions& options) {
    if (options.source.empty() && !FindInstalledLauncher(options.source)) return false;
    MakeInputs inputs;
    if (!OpenInputs(options, inputs)) return false;
    OutputSet outputs(options.force);
    const PlannedOutputs planned = PlanOutputs(options, inputs, outputs);
    if (!outputs.Check(InputIdentities(options, inputs))) return false;
    const bool writes = planned.launcher != kNoOutput;
    ImageModel model;
    LauncherFacts facts;
    MetadataTexts texts;
    ImageLayout layout;
    if (!PrepareModel(options, inputs, writes, model, facts) ||
        !MakeMetadataTexts(options, inputs.source.stream.get(), facts, texts) || !LayOut(options, model, layout)) {
        return false;
    }
    if ((writes && !StageLauncher(options, inputs, model, layout, outputs.Stage(planned.launcher))) ||
        !StageMetadata(planned, texts, outputs)) {
        return false;
    }
    // Before anything is published: a failure here still leaves no file.
    const bool filesPending = writes || planned.fragment != kNoOutput || !options.wingetFolder.empty();
    if ((options.describe && !WriteDescription(facts, filesPending)) || !outputs.Publish()) return false;
    if (writes && options.productInfo && facts.hasPackage && !facts.hasPackageInfo) {
        ReportFileError(PackageName(options),
                        "no product info (not a readable Windows Installer database): "
                        "the version resource was kept");
    }
    return true;
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
