// The update command: copies the running launcher under a free name and
// replaces the copy's package and/or option line. Its steps, each in a file
// of its own: the keywords (update_arguments.cpp), the name
// (name_reservation.cpp), the source read once (own_launcher.h), the plain
// copy (launcher_copy.cpp) and the staging (resource_staging.cpp).
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "core/command.h"
#include "update/new_launcher_file.h"
#include "update/own_launcher.h"
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

    // Nothing to stage: the new launcher is the running one, byte for byte.
    bool IsPlainCopy() const { return packagePath.empty() && iconPath.empty() && optionLine.empty(); }
};

// Shown when the new launcher could not be made from the running one.
inline constexpr char kCopyFailed[] = "Could not copy the launcher to the new file.";

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
    // by exclusive creation in the current directory the command was made
    // in; name becomes the one reserved. Whether a free name was reserved:
    // the reservation, which is removed again unless a complete launcher
    // fills it. Empty, shown in a warning box and logged, when all are taken
    // or the folder takes no new file (with the platform's reason); name is
    // then left as it was.
    [[nodiscard]] ReservedName VerifyFileName(std::string& name);

    // Stages one resource into update; false when it reported a failure in a
    // warning box. Icons are accepted and never staged.
    [[nodiscard]] bool SetResource(ResourceUpdate& update, ResourceKind kind, std::FILE* file, const std::string& text);

private:
    // The current directory, or empty.
    static std::string CurrentDirectory();
    UpdateRequest ParseArguments(const ArgumentList& arguments, std::string ownName) const;
    void RefuseName(unsigned long error);
    [[nodiscard]] bool CopyLauncher(OwnLauncher& own, ReservedName& target);
    [[nodiscard]] bool StageResources(OwnLauncher& own, ReservedName& target, const UpdateRequest& request);
    [[nodiscard]] bool StagePackage(ResourceUpdate& update, std::FILE* file);

    std::map<std::string, UpdateKey> keywords_;
    // The current directory when the command was made; empty when unknown.
    const std::string currentDirectory_;
};

}  // namespace ZORVANE
