#include "common/launch_plan.h"

#include "common/forwarded_arguments.h"
#include "common/silent_options.h"

namespace ZORVANE {

LaunchPlan MakeLaunchPlan(const std::string& optionLine, const std::vector<std::string>& arguments) {
    const bool fromResource = !optionLine.empty();
    std::string options = fromResource ? optionLine : OptionsFromArguments(arguments);
    const bool silent = RequestsSilentRun(options);
    return {std::move(options), fromResource, silent};
}

}  // namespace ZORVANE
