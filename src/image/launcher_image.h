// The payload change both the update command and the native maker make: a
// launcher image read once, its package and/or option line replaced, laid
// out and written. Plain C++ over C streams, no platform calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image_model.h"
#include "image/image_status.h"
#include "image/image_writer.h"

namespace ZORVANE {

// What the new launcher carries instead of the source's payload. A member
// that is not set keeps what the source carries.
struct PayloadReplacement {
    std::FILE* package = nullptr;  // read from its current position
    std::uint64_t packageSize = 0;
    bool replaceParams = false;
    std::string params;  // written followed by one NUL byte
};

// The identity of a payload resource: type, integer name, neutral language.
ResourceKey PayloadKey(const char* type, std::uint16_t id);

// Reads source (a whole PE file) once into model, with the replacement put
// in: SourceDamaged when the model cannot take it.
[[nodiscard]] ImageWriteStatus ReadLauncherImage(std::FILE* source, const PayloadReplacement& replacement,
                                                 ImageModel& model);

// Puts the replacement into model. False past the model's limits.
[[nodiscard]] bool ApplyPayload(ImageModel& model, const PayloadReplacement& replacement);

// Lays out model and writes it to output (seekable). Nothing is written
// unless the result fits.
[[nodiscard]] ImageWriteStatus WriteModel(const ImageModel& model, std::FILE* output,
                                          ImageWriteProgress progress = nullptr, void* progressContext = nullptr);

// What WriteModel would answer before writing anything (Written when it
// would go ahead); no stream leaf is read.
[[nodiscard]] ImageWriteStatus CheckModel(const ImageModel& model);

// Reads source (a whole PE file) once and writes the new image to output.
// Nothing is written to output unless the source is sound and the result fits.
[[nodiscard]] ImageWriteStatus WriteLauncherImage(std::FILE* source, const PayloadReplacement& replacement,
                                                  std::FILE* output, ImageWriteProgress progress = nullptr,
                                                  void* progressContext = nullptr);

}  // namespace ZORVANE
