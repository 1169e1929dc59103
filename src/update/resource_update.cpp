#include "update/resource_update.h"

#include "core/utf8_files.h"
#include "image/image_writer.h"
#include "image/launcher_image.h"

namespace ZORVANE {

namespace {

UpdateCommit Refused(ImageLayoutStatus status) {
    return status == ImageLayoutStatus::TooLarge ? UpdateCommit::TooLarge : UpdateCommit::Unsound;
}

UpdateCommit Written(ImageWriteStatus status) {
    switch (status) {
        case ImageWriteStatus::Written: return UpdateCommit::Committed;
        case ImageWriteStatus::ReadFailed: return UpdateCommit::ReadFailed;
        case ImageWriteStatus::WriteFailed: break;
    }
    return UpdateCommit::WriteFailed;
}

}  // namespace

ResourceUpdate::ResourceUpdate(ImageModel& image, ReservedName& target)
    : image_(image), target_(target), file_(target.Path()) {}

bool ResourceUpdate::Add(const std::string& params) {
    PayloadReplacement change;
    change.replaceParams = true;
    change.params = params;
    return ApplyPayload(image_, change);
}

bool ResourceUpdate::Add(std::FILE* package, std::uint64_t size) {
    PayloadReplacement change;
    change.package = package;
    change.packageSize = size;
    return ApplyPayload(image_, change);
}

UpdateCommit ResourceUpdate::Commit() { return Finish(false); }

UpdateCommit ResourceUpdate::CommitUnchanged() { return Finish(true); }

UpdateCommit ResourceUpdate::Finish(bool unchanged) {
    // The run's one layout, of the model with everything staged.
    const ImageLayoutResult laidOut = CheckModel(image_);
    if (!laidOut.LaidOut()) return Refused(laidOut.status);
    UniqueStream output = OpenStream(file_.Path(), L"wb");
    if (!output) return UpdateCommit::WriteFailed;
    UpdateCommit result = Written(unchanged ? CopyUnchanged(image_, output.get())
                                            : WriteModel(image_, laidOut.layout, output.get()));
    if (!CloseWrittenStream(std::move(output)) && result == UpdateCommit::Committed) result = UpdateCommit::WriteFailed;
    if (result == UpdateCommit::Committed && !target_.FillWith(file_)) result = UpdateCommit::WriteFailed;
    return result;
}

void ResourceUpdate::Discard() { file_.Remove(); }

}  // namespace ZORVANE
