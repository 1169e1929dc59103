// A pending resource update of a new launcher, as a transaction: the payload
// is staged in the model of the source launcher, read once, and only the
// commit lays it out and writes the new launcher (under a temporary name,
// then moved over the reservation), rebuilt or, when nothing is to change,
// copied as it is. Discarded unless committed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image_model.h"
#include "update/new_launcher_file.h"

namespace ZORVANE {

enum class UpdateCommit {
    Committed,
    TooLarge,     // the new launcher would not map in a 32-bit process
    Unsound,      // the model could not be laid out
    ReadFailed,   // the source or the package could not be read whole
    WriteFailed,  // the new launcher could not be written or moved into place
};

class ResourceUpdate {
public:
    // Stages into image, the source launcher as read, and opens a temporary
    // file beside the reserved target.
    ResourceUpdate(ImageModel& image, ReservedName& target);

    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    bool IsOpen() const { return file_.IsOpen(); }

    // Replaces the option line; it is written followed by one NUL byte.
    // False past the model's limits.
    [[nodiscard]] bool Add(const std::string& params);

    // Replaces the package with size bytes that the commit reads from
    // package, which must stay open until then. False past the model's limits.
    [[nodiscard]] bool Add(std::FILE* package, std::uint64_t size);

    // Lays out and writes the new launcher and moves it over the reservation.
    [[nodiscard]] UpdateCommit Commit();

    // The same with the source's bytes as they are; the layout still makes
    // sure that the source is a launcher the writer could rebuild.
    [[nodiscard]] UpdateCommit CommitUnchanged();

    // Drops the pending update and its temporary file.
    void Discard();

private:
    [[nodiscard]] UpdateCommit Finish(bool unchanged);

    ImageModel& image_;
    ReservedName& target_;
    TemporaryLauncherFile file_;
};

}  // namespace ZORVANE
