// The new launcher as an exact copy of the running one, made from the stream
// its image was read and checked through.
#include "core/log.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

bool createNewWrapper::CopyLauncher(OwnLauncher& own, ReservedName& target) {
    // Through a temporary file as well: a copy cut short must not pass for a
    // launcher under the name.
    ResourceUpdate copy(own.image, target);
    const UpdateCommit commit = copy.IsOpen() ? copy.CommitUnchanged() : UpdateCommit::WriteFailed;
    if (commit == UpdateCommit::Committed) return true;
    if (commit == UpdateCommit::TooLarge || commit == UpdateCommit::Unsound) {
        WriteLog(Name(), "Surprise", "own resources are damaged");
    }
    ShowMessage(kCopyFailed);
    return false;
}

}  // namespace ZORVANE
