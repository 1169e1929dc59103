#include "update/resource_update.h"

#include "core/utf8_files.h"

namespace ZORVANE {

ResourceUpdate::ResourceUpdate(ImageModel& image, ReservedName& target)
    : image_(image), target_(target), file_(target.Path()) {}

void ResourceUpdate::Add(const std::string& params) {
    PayloadReplacement change;
    change.replaceParams = true;
    change.params = params;
    // Only past the model's limits, which a source that was read stays within.
    if (!ApplyPayload(image_, change)) unstaged_ = true;
}

ImageWriteStatus ResourceUpdate::Add(std::FILE* package, std::uint64_t size) {
    PayloadReplacement change;
    change.package = package;
    change.packageSize = size;
    const ImageWriteStatus status = ApplyPayload(image_, change) ? CheckModel(image_) : ImageWriteStatus::SourceDamaged;
    if (status != ImageWriteStatus::Written) unstaged_ = true;
    return status;
}

ImageWriteStatus ResourceUpdate::Commit() {
    if (unstaged_) return ImageWriteStatus::SourceDamaged;
    UniqueStream output = OpenStream(file_.Path(), L"wb");
    if (!output) return ImageWriteStatus::WriteFailed;
    ImageWriteStatus status = WriteModel(image_, output.get());
    if (!CloseWrittenStream(std::move(output)) && status == ImageWriteStatus::Written) {
        status = ImageWriteStatus::WriteFailed;
    }
    if (status == ImageWriteStatus::Written && !target_.FillWith(file_)) status = ImageWriteStatus::WriteFailed;
    return status;
}

void ResourceUpdate::Discard() { file_.Remove(); }

}  // namespace ZORVANE
