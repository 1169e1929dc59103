#include "update/create_new_wrapper.h"

#include "common/path_names.h"
#include "core/log.h"

namespace ZORVANE {

bool createNewWrapper::Run(const ArgumentList& arguments) {
    OwnLauncher own;
    if (const char* problem = currentDirectory_.empty() ? kPathsUnknown : ReadOwnLauncher(own)) {
        WriteLog(Name(), "Surprise", "%s", problem);
        ShowMessage(kCopyFailed);
        return false;
    }
    UpdateRequest request = ParseArguments(arguments, FileNameOf(own.path));
    ReservedName target = VerifyFileName(request.wrapperName);
    if (!target) return false;  // shown and logged
    if (request.IsPlainCopy()) return CopyLauncher(own, target);
    return StageResources(own, target, request);
}

}  // namespace ZORVANE
