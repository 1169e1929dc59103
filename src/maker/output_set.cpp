#include "maker/output_set.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/path_names.h"
#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

// Where an output goes, whether it exists or not: its folder and its name there.
struct Placement {
    FileIdentity folder;
    std::string name;
    bool operator==(const Placement& other) const { return folder == other.folder && name == other.name; }
};

bool Place(const std::string& path, Placement& place) {
    struct stat folder {};
    if (stat(FolderOf(path, "/").c_str(), &folder) != 0) {
        ReportFileErrno(path, errno);
        return false;
    }
    if (!S_ISDIR(folder.st_mode)) {
        ReportFileErrno(path, ENOTDIR);
        return false;
    }
    place.folder = {folder.st_dev, folder.st_ino};
    place.name = path.substr(FileNameStart(path, "/"));
    return true;
}

}  // namespace

std::size_t OutputSet::Add(const std::string& path, mode_t mode) {
    outputs_.push_back({path, mode, nullptr});
    return outputs_.size() - 1;
}

bool OutputSet::CheckOne(const Output& output, const std::vector<FileIdentity>& inputs) const {
    const std::string& path = output.path;
    struct stat entry {};
    if (lstat(path.c_str(), &entry) != 0) {
        if (errno == ENOENT) return true;  // a new name; Place checks its folder
        ReportFileErrno(path, errno);
        return false;
    }
    // A link is judged by what it leads to; one that leads nowhere is only a name.
    struct stat target {};
    if (stat(path.c_str(), &target) == 0) {
        // Renaming over a device or a FIFO would take the system's node away.
        if (!IsRegularFileOrReport(path, target.st_mode,
                                   "not a regular file (outputs are only ever written as new regular files)")) {
            return false;
        }
        if (std::find(inputs.begin(), inputs.end(), FileIdentity{target.st_dev, target.st_ino}) != inputs.end()) {
            ReportFileError(path, "is also an input of this run: an output must be another file");
            return false;
        }
    }
    if (!replace_) {
        ReportFileError(path, "File exists (use --force to replace it)");
        return false;
    }
    return true;
}

bool OutputSet::Check(const std::vector<FileIdentity>& inputs) const {
    std::vector<Placement> places;
    for (const Output& output : outputs_) {
        Placement place;
        if (!CheckOne(output, inputs) || !Place(output.path, place)) return false;
        if (std::find(places.begin(), places.end(), place) != places.end()) {
            ReportFileError(output.path, "named for two outputs");
            return false;
        }
        places.push_back(std::move(place));
    }
    return true;
}

std::FILE* OutputSet::Stage(std::size_t output) {
    Output& staged = outputs_[output];
    staged.pending = std::make_unique<PendingOutput>();
    return staged.pending->Create(staged.path, staged.mode) ? staged.pending->Stream() : nullptr;
}

bool OutputSet::StageText(std::size_t output, const std::string& text) {
    std::FILE* stream = Stage(output);
    if (stream == nullptr) return false;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) {
        ReportFileErrno(outputs_[output].path, errno);
        return false;
    }
    return true;
}

bool OutputSet::Publish() {
    for (Output& output : outputs_) {
        if (output.pending && !output.pending->Complete()) return false;
    }
    std::vector<bool> replaced(outputs_.size(), false);
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        bool replacedOne = false;
        if (outputs_[i].pending && !outputs_[i].pending->Publish(replace_, replacedOne)) {
            Withdraw(i, replaced);
            return false;
        }
        replaced[i] = replacedOne;
    }
    return true;
}

void OutputSet::Withdraw(std::size_t failed, const std::vector<bool>& replaced) {
    std::string kept;
    for (std::size_t i = 0; i < failed; ++i) {
        if (!outputs_[i].pending) continue;
        if (!replaced[i]) {
            unlink(outputs_[i].path.c_str());
        } else {
            kept += (kept.empty() ? "" : ", ") + outputs_[i].path;
        }
    }
    if (!kept.empty()) {
        ReportFileError(kept, ("replaced all the same, before " + outputs_[failed].path + " failed").c_str());
    }
}

}  // namespace ZORVANE
