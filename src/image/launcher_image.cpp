#include "image/launcher_image.h"

#include "common/payload.h"
#include "image/image_reader.h"

namespace ZORVANE {

namespace {

// A source that carries the mark is left unchanged by it: with nothing else
// replaced, it is still copied as it is, signature and all.
bool ApplyKeepPackage(ImageModel& model, const PayloadReplacement& replacement) {
    if (!replacement.keepPackage || CarriesKeepPackageMark(model)) return true;
    return model.SetLeaf(PayloadKey(kKeepPackageResourceType, kKeepPackageResourceId),
                         LeafData::FromBytes({static_cast<std::uint8_t>(kKeepPackageMark)}));
}

}  // namespace

ResourceKey PayloadKey(const char* type, std::uint16_t id) {
    return {ResourceString(type), ResourceId(id), ResourceId(kPayloadLanguage)};
}

bool CarriesKeepPackageMark(const ImageModel& model) {
    const ResourceLeaf* mark = model.Resources().FindLeaf(PayloadKey(kKeepPackageResourceType, kKeepPackageResourceId));
    char byte = 0;
    return mark != nullptr && mark->data.size == 1 && model.ReadLeaf(mark->data, 0, &byte, 1) &&
           byte == kKeepPackageMark;
}

ImageReadResult ReadLauncherImage(std::FILE* source, const PayloadReplacement& replacement, ImageModel& model) {
    const ImageReadResult read = ReadImage(source, model);
    if (!read.Passed() || ApplyPayload(model, replacement)) return read;
    return {ImageReadFailure::PayloadNotTaken};
}

bool ApplyPayload(ImageModel& model, const PayloadReplacement& replacement) {
    if (!ApplyKeepPackage(model, replacement)) return false;
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
