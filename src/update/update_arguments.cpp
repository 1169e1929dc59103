// The update command's keyword arguments.
#include "core/log.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

namespace {

const std::string kIconKeyword = "Icon";
const std::string kMsiKeyword = "MSI";
const std::string kWrapperNameKeyword = "WrapperName";
const std::string kParamsKeyword = "Params";

}  // namespace

createNewWrapper::createNewWrapper()
    : Command("CreateNewWrapper"), keywords_{{kIconKeyword, UpdateKey::Icon},
                                             {kMsiKeyword, UpdateKey::Msi},
                                             {kWrapperNameKeyword, UpdateKey::WrapperName},
                                             {kParamsKeyword, UpdateKey::Params}},
      currentDirectory_(CurrentDirectory()) {}

bool createNewWrapper::ParseArgument(const std::string& argument, std::string& key, std::string& value) const {
    const size_t sign = argument.find('=');
    if (sign == std::string::npos) return false;
    key = argument.substr(0, sign);
    value = argument.substr(sign + 1);
    return true;
}

// A later keyword overwrites an earlier one; what is not understood is logged and skipped.
UpdateRequest createNewWrapper::ParseArguments(const ArgumentList& arguments, std::string ownName) const {
    UpdateRequest request;
    request.wrapperName = std::move(ownName);
    for (const std::string& argument : arguments) {
        std::string key, value;
        if (!ParseArgument(argument, key, value)) {
            WriteLog(Name(), "Surprise", "failed parsing argument: %s", argument.c_str());
            continue;
        }
        auto keyword = keywords_.find(key);
        if (keyword == keywords_.end()) {
            WriteLog(Name(), "Surprise", "unknown command: %s", key.c_str());
            continue;
        }
        switch (keyword->second) {
            case UpdateKey::Icon: request.iconPath = value; break;
            case UpdateKey::Msi: request.packagePath = value; break;
            case UpdateKey::WrapperName: request.wrapperName = value; break;
            case UpdateKey::Params: request.optionLine = value; break;
        }
    }
    return request;
}

}  // namespace ZORVANE
