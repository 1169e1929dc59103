#include "update/launcher_image.h"

namespace ZORVANE {

ImageWriteStatus WriteLauncherImage(std::FILE*, const PayloadReplacement&, std::FILE*,
                                    ImageWriteProgress, void*) {
    return ImageWriteStatus::SourceDamaged;  // not written yet
}

}  // namespace ZORVANE
