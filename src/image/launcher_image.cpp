#include "image/launcher_image.h"

#include "common/payload.h"
#include "image/image_layout.h"
#include "image/image_reader.h"

namespace ZORVANE {

ResourceKey PayloadKey(const char* type, std::uint16_t id) {
    return {ResourceString(type), ResourceId(id), ResourceId(kPayloadLanguage)};
}

ImageWriteStatus ReadLauncherImage(std::FILE* source, const PayloadReplacement& replacement, ImageModel& model) {
    const ImageWriteStatus read = ReadImage(source, model);
    if (read != ImageWriteStatus::Written) return read;
    return ApplyPayload(model, replacement) ? ImageWriteStatus::Written : ImageWriteStatus::SourceDamaged;
}

bool ApplyPayload(ImageModel& model, const PayloadReplacement& replacement) {
    if (replacement.package != nullptr &&
        !model.SetLeaf(PayloadKey(kPackageResourceType, kPackageResourceId),
                       LeafData::FromStream(replacement.package, replacement.packageSize))) {
        return false;
    }
    if (!replacement.replaceParams) return true;
    const char* text = replacement.params.c_str();
    return model.SetLeaf(PayloadKey(kParamsResourceType, kParamsResourceId),
                         LeafData::FromBytes({text, text + replacement.params.size() + 1}));
}

ImageWriteStatus CheckModel(const ImageModel& model) {
    ImageLayout layout;
    return LayOutImage(model, layout);
}

ImageWriteStatus WriteModel(const ImageModel& model, std::FILE* output, ImageWriteProgress progress,
                            void* progressContext) {
    ImageLayout layout;
    const ImageWriteStatus laidOut = LayOutImage(model, layout);
    if (laidOut != ImageWriteStatus::Written) return laidOut;
    return WriteImage(model, layout, output, progress, progressContext);
}

ImageWriteStatus WriteLauncherImage(std::FILE* source, const PayloadReplacement& replacement, std::FILE* output,
                                    ImageWriteProgress progress, void* progressContext) {
    ImageModel model;
    const ImageWriteStatus read = ReadLauncherImage(source, replacement, model);
    return read != ImageWriteStatus::Written ? read : WriteModel(model, output, progress, progressContext);
}

}  // namespace ZORVANE
