// The update command: copies the running launcher under a free name and
// replaces the copy's package and/or option line.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "core/command.h"
#include "update/resource_update.h"

namespace ZORVANE {

enum class UpdateKey { Icon = 0, Msi = 1, WrapperName = 2, Params = 3 };

enum class ResourceKind { Package = 0, Icon = 1, Params = 2 };

// What the keyword arguments asked for.
struct UpdateRequest {
    std::string wrapperName;
    std::string iconPath;
    std::string packagePath;
    std::string optionLine;
};

class createNewWrapper : public Command {
public:
    createNewWrapper();

    // Arguments are Keyword=Value with the keywords Icon, MSI, WrapperName and
    // Params. False when no free name was reserved, the copy failed, or a
    // requested resource did not reach the new launcher; each such failure is
    // shown in a warning box. A copy that could not be completed is removed.
    [[nodiscard]] bool Run(const ArgumentList& arguments) override;

    // Splits at the first "=": key before it, value the whole rest. False,
    // leaving key and value alone, when there is no "=".
    [[nodiscard]] bool ParseArgument(const std::string& argument, std::string& key, std::string& value) const;

    // Reserves name, or "(1)" to "(99)" put in front of its file-name part,
    // by exclusive creation in the current directory; name becomes the one
    // reserved. False, shown in a warning box and logged, when all are taken
    // or the folder takes no new file (with the platform's reason).
    [[nodiscard]] bool VerifyFileName(std::string& name);

    // Stages one resource into update; false when it reported a failure.
    // Icons are accepted and never staged. A package that cannot be staged
    // ends the update: StageResources then writes nothing.
    [[nodiscard]] bool SetResource(ResourceUpdate& update, ResourceKind kind, std::FILE* file, const std::string& text);

private:
    const char* SourceProblem(std::string& ownPath);
    // VerifyFileName, giving also the full path of the name reserved.
    [[nodiscard]] bool ReserveName(std::string& name, std::string& reservedPath);
    [[nodiscard]] bool RefuseName(unsigned long error);
    void ApplyArguments(const ArgumentList& arguments, UpdateRequest& request) const;
    [[nodiscard]] bool CopyLauncher(const std::string& ownPath, ReservedName& target);
    [[nodiscard]] bool StageResources(const std::string& ownPath, ReservedName& target, const UpdateRequest& request);
    [[nodiscard]] bool StagePackage(ResourceUpdate& update, std::FILE* file);

    std::map<std::string, UpdateKey> keywords_;
    std::string currentDirectory_;
    // The running launcher, read once: checked before anything is reserved,
    // then changed and written by the staging.
    UniqueStream ownFile_;
    ImageModel ownImage_;
};

}  // namespace ZORVANE
