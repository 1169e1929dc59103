// A pending resource update of a new launcher, as a transaction: the payload
// is staged in the model of the source launcher, read once, and only the
// commit writes the new launcher (under a temporary name, then moved over the
// reservation). Discarded unless committed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/unique_handles.h"
#include "image/launcher_image.h"
#include "update/new_launcher_file.h"

namespace ZORVANE {

class ResourceUpdate {
public:
    // Stages into image, the source launcher as read, and opens a temporary
    // file beside the reserved target.
    ResourceUpdate(ImageModel& image, ReservedName& target);

    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    bool IsOpen() const { return file_.IsOpen(); }

    // Replaces the option line; it is written followed by one NUL byte.
    void Add(const std::string& params);

    // Replaces the package with size bytes that the commit reads from
    // package, which must stay open until then. Anything but Written when the
    // new launcher could not carry it: then the commit writes nothing.
    [[nodiscard]] ImageWriteStatus Add(std::FILE* package, std::uint64_t size);

    // Writes the new launcher and moves it over the reservation; nothing
    // when a payload could not be staged.
    [[nodiscard]] ImageWriteStatus Commit();

    // Drops the pending update and its temporary file.
    void Discard();

private:
    ImageModel& image_;
    ReservedName& target_;
    TemporaryLauncherFile file_;
    bool unstaged_ = false;  // a payload the model could not take: nothing may be written
};

}  // namespace ZORVANE
