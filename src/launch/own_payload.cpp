#include "launch/own_payload.h"

#include "common/payload.h"
#include "core/log.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

constexpr char kDamaged[] = "the setup is damaged.";

struct OptionLine {
    bool read;
    std::string text;
};

OptionLine ReadOptionLine(HMODULE module) {
    ResourceView params;
    switch (LoadOwnResource(module, kParamsResourceType, kParamsResourceId, params)) {
        case ResourceLookup::Absent: return {true, std::string()};
        case ResourceLookup::Unloadable:
            WriteLog(kLaunchComponent, "Surprise", "couldn't load params resource although exist");
            return {true, std::string()};
        case ResourceLookup::Loaded: break;
    }
    OptionLine line = {true, std::string()};
    if (OptionTextToUtf8(ParamsText(params), line.text)) return line;
    // Options guessed at could install something else than asked for.
    WriteLog(kLaunchComponent, "Surprise", "couldn't read params resource");
    return {false, std::string()};
}

// Absent, unloadable and empty alike: there is nothing to install.
bool ReadPackage(HMODULE module, ResourceView& package) {
    switch (LoadOwnResource(module, kPackageResourceType, kPackageResourceId, package)) {
        case ResourceLookup::Absent: WriteLog(kLaunchComponent, "Surprise", "couldn't find resource"); return false;
        case ResourceLookup::Unloadable: WriteLog(kLaunchComponent, "Surprise", "couldn't load resource"); return false;
        case ResourceLookup::Loaded: break;
    }
    return package.size != 0;
}

bool ReadKeepMark(HMODULE module) {
    ResourceView mark;
    return LoadOwnResource(module, kKeepPackageResourceType, kKeepPackageResourceId, mark) == ResourceLookup::Loaded &&
           mark.size == 1 && mark.data[0] == kKeepPackageMark;
}

}  // namespace

OwnPayload ReadOwnPayload() {
    OwnPayload payload = {false, std::string(), ResourceView(), false, LaunchResult::Failed(kDamaged)};
    HMODULE module = GetModuleHandleW(nullptr);
    if (module == nullptr) {
        payload.failure.error = GetLastError();
        WriteLog(kLaunchComponent, "Surprise", "failed to get module handle");
        return payload;
    }
    OptionLine line = ReadOptionLine(module);
    if (!line.read) return payload;
    payload.optionLine = std::move(line.text);
    if (!ReadPackage(module, payload.package)) {
        payload.failure = LaunchResult::Failed("the setup carries no installer package.");
        return payload;
    }
    payload.keepPackage = ReadKeepMark(module);
    payload.read = true;
    return payload;
}

}  // namespace ZORVANE
