#include "image/image_writer.h"

#include <algorithm>
#include <memory>

#include "image/pe_checksum.h"

namespace ZORVANE {

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;

// Sequential output through one bounded buffer, summed as it goes.
class ImageWriter {
public:
    ImageWriter(const ImageSource& source, std::FILE* output, ImageWriteProgress progress, void* context)
        : source_(source), output_(output), progress_(progress), context_(context),
          buffer_(new std::uint8_t[kCopyBufferSize]) {}

    ImageWriteStatus Write(const ImageModel& model, const ImageLayout& layout) {
        Put(layout.headers.data(), layout.headers.size());
        CopySource(layout.headers.size(), layout.keptEnd - layout.headers.size());
        if (layout.movesReloc) CopySource(layout.relocSource, layout.reloc.rawSize);
        PadTo(layout.resources.rawPointer);
        const ResourceSectionLayout& section = layout.resourceSection;
        Put(section.directory.data(), section.directory.size());
        for (std::size_t i = 0; i < section.dataOrder.size(); ++i) {
            PadTo(std::uint64_t{layout.resources.rawPointer} + section.dataOffsets[i]);
            CopyLeaf(model.Leaves()[section.dataOrder[i]].data);
        }
        PadTo(std::uint64_t{layout.resources.rawPointer} + layout.resources.rawSize);
        if (status_ != ImageWriteStatus::Written) return status_;
        return PatchChecksum(layout.checksumOffset);
    }

    // The source as it is: its checksum and any signature stay valid. (The
    // sum taken on the way is not needed; it keeps up with the copy.)
    ImageWriteStatus Copy() {
        CopySource(0, source_.Size());
        if (status_ == ImageWriteStatus::Written && std::fflush(output_) != 0) status_ = ImageWriteStatus::WriteFailed;
        return status_;
    }

private:
    void Put(const std::uint8_t* data, std::size_t length) {
        if (status_ != ImageWriteStatus::Written || length == 0) return;
        checksum_.Add(data, length);
        if (std::fwrite(data, 1, length, output_) != length) status_ = ImageWriteStatus::WriteFailed;
        written_ += length;
    }

    void PadTo(std::uint64_t offset) {
        while (status_ == ImageWriteStatus::Written && written_ < offset) {
            const std::size_t piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(offset - written_, kCopyBufferSize));
            std::fill(buffer_.get(), buffer_.get() + piece, 0);
            Put(buffer_.get(), piece);
        }
    }

    void CopySource(std::uint64_t offset, std::uint64_t length) {
        while (status_ == ImageWriteStatus::Written && length > 0) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyBufferSize));
            if (!source_.Read(offset, buffer_.get(), piece)) {
                status_ = ImageWriteStatus::ReadFailed;
                return;
            }
            Put(buffer_.get(), piece);
            offset += piece;
            length -= piece;
        }
    }

    // The stream must hold exactly length more bytes: one that grew after its
    // size was taken would otherwise be carried cut short.
    void CopyStream(std::FILE* stream, std::uint64_t length) {
        std::uint64_t done = 0;
        while (status_ == ImageWriteStatus::Written && done < length) {
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kCopyBufferSize));
            if (std::fread(buffer_.get(), 1, piece, stream) != piece) {
                status_ = ImageWriteStatus::ReadFailed;
                return;
            }
            Put(buffer_.get(), piece);
            done += piece;
            if (progress_ != nullptr) progress_(done, length, context_);
        }
        if (status_ == ImageWriteStatus::Written && (std::fgetc(stream) != EOF || std::ferror(stream))) {
            status_ = ImageWriteStatus::ReadFailed;
        }
    }

    void CopyLeaf(const LeafData& data) {
        switch (data.origin) {
            case LeafData::Origin::Source: CopySource(data.sourceOffset, data.size); break;
            case LeafData::Origin::Stream: CopyStream(data.stream, data.size); break;
            case LeafData::Origin::Bytes: Put(data.bytes.data(), data.bytes.size()); break;
        }
    }

    ImageWriteStatus PatchChecksum(std::uint32_t offset) {
        std::uint8_t field[4];
        pe::Put32(field, checksum_.Finish(static_cast<std::uint32_t>(written_)));
        if (std::fflush(output_) != 0 || std::fseek(output_, static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fwrite(field, 1, sizeof field, output_) != sizeof field || std::fflush(output_) != 0) {
            return ImageWriteStatus::WriteFailed;
        }
        return ImageWriteStatus::Written;
    }

    const ImageSource& source_;
    std::FILE* output_;
    ImageWriteProgress progress_;
    void* context_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    PeChecksum checksum_;
    std::uint64_t written_ = 0;
    ImageWriteStatus status_ = ImageWriteStatus::Written;
};

}  // namespace

ImageWriteStatus WriteModel(const ImageModel& model, const ImageLayout& layout, std::FILE* output,
                            ImageWriteProgress progress, void* progressContext) {
    return ImageWriter(model.source, output, progress, progressContext).Write(model, layout);
}

ImageWriteStatus CopyUnchanged(const ImageModel& model, std::FILE* output) {
    return ImageWriter(model.source, output, nullptr, nullptr).Copy();
}

}  // namespace ZORVANE
