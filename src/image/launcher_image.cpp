#include "image/launcher_image.h"

#include "common/payload.h"
#include "image/image_reader.h"

namespace ZORVANE {

ResourceKey PayloadKey(const char* type, std::uint16_t id) {
    return {ResourceString(type), ResourceId(id), ResourceId(kPayloadLanguage)};
}

ImageReadResult ReadLauncherImage(std::FILE* source, const PayloadReplacement& replacement, ImageModel& model) {
    const ImageReadResult read = ReadImage(source, model);
    if (!read.Passed() || ApplyPayload(model, replacement)) return read;
    return {ImageReadFailure::PayloadNotTaken};
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

ImageLayoutResult CheckModel(const ImageModel& model) {
    ImageLayoutResult result;
    result.status = LayOutImage(model, PayloadKey(kPackageResourceType, kPackageResourceId), result.layout);
    return result;
}

}  // namespace ZORVANE
