// libFuzzer target: any bytes as a source launcher. Whatever the reader
// accepts, the writer must write with a new payload, and the reader must
// accept what it wrote, with the checksum the definition gives.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/unique_stream.h"
#include "fuzz_check.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "image/launcher_image.h"

namespace {

using namespace ZORVANE;
using fuzz::Require;

// In memory: the run makes no file.
UniqueStream Holding(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t empty = 0;
    return UniqueStream(fmemopen(const_cast<std::uint8_t*>(size ? data : &empty), size ? size : 1, "rb"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    UniqueStream source = Holding(data, size);
    const std::uint8_t packageBytes[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1};
    UniqueStream package = Holding(packageBytes, sizeof packageBytes);
    // Output is bounded by the input: names, padding and the new payload add
    // far less than this. A fuller buffer fails the write, and the run.
    static std::vector<std::uint8_t> written(4 << 20);
    if (size + (1 << 20) > written.size()) return 0;
    UniqueStream output(fmemopen(written.data(), size + (1 << 20), "w+b"));
    if (!source || !package || !output) return 0;
    PayloadReplacement change;
    change.package = package.get();
    change.packageSize = sizeof packageBytes;
    change.replaceParams = true;
    change.params = "/qn";
    ImageModel model;
    const ImageReadResult read = ReadLauncherImage(source.get(), change, model);
    // Every refusal names its check; a file in memory always has a length.
    Require(read.failure != ImageReadFailure::LengthUnknown && (read.Passed() || !ImageReadReason(read).empty()));
    const ImageLayoutResult laidOut = read.Passed() ? CheckModel(model) : ImageLayoutResult();
    const bool writes = read.Passed() && laidOut.LaidOut();
    const ImageWriteStatus status = writes ? WriteModel(model, laidOut.layout, output.get()) : ImageWriteStatus::Written;
    std::fseek(output.get(), 0, SEEK_END);
    const long writtenSize = std::ftell(output.get());
    output.reset();
    Require(status == ImageWriteStatus::Written);
    if (!writes) {
        Require(writtenSize == 0);  // nothing written when refused
        return 0;
    }
    // The writer's output is a launcher it takes again.
    UniqueStream made = Holding(written.data(), static_cast<std::size_t>(writtenSize));
    ImageModel again;
    Require(made && ReadImage(made.get(), again).Passed());
    return 0;
}
