// A pending resource update of a new launcher, as a transaction: the payload
// to replace is collected, and only the commit writes the new launcher (under
// a temporary name, then moved over the reservation). Discarded unless
// committed.
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
    // Opens the source launcher for reading and a temporary file beside the
    // reserved target.
    ResourceUpdate(const std::string& sourcePath, ReservedName& target);

    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    bool IsOpen() const { return source_ != nullptr && file_.IsOpen(); }

    // Replaces the option line; it is written followed by one NUL byte.
    void Add(const std::string& params);

    // Replaces the package with size bytes that the commit reads from
    // package, which must stay open until then. Anything but Written when the
    // new launcher could not carry it: then nothing is staged.
    [[nodiscard]] ImageWriteStatus Add(std::FILE* package, std::uint64_t size);

    // Writes the new launcher and moves it over the reservation.
    [[nodiscard]] ImageWriteStatus Commit();

    // Drops the pending update and its temporary file.
    void Discard();

private:
    UniqueStream source_;
    ReservedName& target_;
    TemporaryLauncherFile file_;
    PayloadReplacement replacement_;
};

}  // namespace ZORVANE
