// The payload change both the update command and the native maker make: a
// launcher image read once, its package and/or option line replaced (and,
// by the maker, the keep-package mark added), and laid out with the package
// last. Plain C++ over C streams, no platform calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image_layout.h"
#include "image/image_model.h"
#include "image/image_read_result.h"

namespace ZORVANE {

// What the new launcher carries instead of the source's payload. A member
// that is not set keeps what the source carries.
struct PayloadReplacement {
    std::FILE* package = nullptr;  // read from its current position
    std::uint64_t packageSize = 0;
    bool replaceParams = false;
    std::string params;  // written followed by one NUL byte
    // Adds the mark unless the source carries it; a source's mark is never removed.
    bool keepPackage = false;
};

// The identity of a payload resource: type, integer name, neutral language.
ResourceKey PayloadKey(const char* type, std::uint16_t id);

// Whether model carries the keep-package mark, as the launcher reads it.
bool CarriesKeepPackageMark(const ImageModel& model);

// Reads source (a whole PE file) once into model, with the replacement put
// in: PayloadNotTaken when the model cannot take it.
ImageReadResult ReadLauncherImage(std::FILE* source, const PayloadReplacement& replacement, ImageModel& model);

// Puts the replacement into model. False past the model's limits.
[[nodiscard]] bool ApplyPayload(ImageModel& model, const PayloadReplacement& replacement);

// Lays model out as a launcher: the package, the bulk of it, ends the file.
// No stream leaf is read; what it gives is what WriteModel (image_writer.h)
// writes, and nothing needs writing unless it is laid out.
ImageLayoutResult CheckModel(const ImageModel& model);

}  // namespace ZORVANE
