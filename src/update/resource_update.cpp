#include "update/resource_update.h"

#include "core/utf8_files.h"

namespace ZORVANE {

ResourceUpdate::ResourceUpdate(const std::string& sourcePath, ReservedName& target)
    : source_(OpenStream(sourcePath, L"rb")), target_(target), file_(target.Path()) {}

void ResourceUpdate::Add(const std::string& params) {
    replacement_.replaceParams = true;
    replacement_.params = params;
}

ImageWriteStatus ResourceUpdate::Add(std::FILE* package, std::uint64_t size) {
    PayloadReplacement staged = replacement_;
    staged.package = package;
    staged.packageSize = size;
    const ImageWriteStatus status = CheckLauncherImage(source_.get(), staged);
    if (status == ImageWriteStatus::Written) replacement_ = staged;
    return status;
}

ImageWriteStatus ResourceUpdate::Commit() {
    UniqueStream output = OpenStream(file_.Path(), L"wb");
    if (!output) return ImageWriteStatus::WriteFailed;
    ImageWriteStatus status = WriteLauncherImage(source_.get(), replacement_, output.get());
    if (!CloseWrittenStream(std::move(output)) && status == ImageWriteStatus::Written) {
        status = ImageWriteStatus::WriteFailed;
    }
    if (status == ImageWriteStatus::Written && !target_.FillWith(file_)) status = ImageWriteStatus::WriteFailed;
    return status;
}

void ResourceUpdate::Discard() {
    source_.reset();
    file_.Remove();
}

}  // namespace ZORVANE
