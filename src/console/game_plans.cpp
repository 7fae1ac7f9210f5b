#include "console/game_plans.h"

#include "common/versions.h"
#include "install/install_record.h"

namespace quorin {

SwitchPlan PlanSwitch(const std::string& clientVersionText, const std::string& toolFolder,
                      const std::string& installPath) {
    const std::string gameData = GameDataFolder(installPath);
    if (clientVersionText == kVersion100)
        return {kMagic101,
                std::nullopt,
                {{toolFolder + "\\Patch Files\\101\\*.*", gameData + "\\"},
                 {toolFolder + "\\Patch Files\\101\\base\\*.*", gameData + "\\base\\"}},
                std::nullopt};
    // "Base" here and "base" in the copies name the same folder.
    return {kMagic100,
            gameData + "\\Base\\assets3.pk3",
            {{toolFolder + "\\Patch Files\\100\\*.*", gameData + "\\"}},
            toolFolder + "\\Patch Files\\101"};
}

std::string GameDataFolder(const std::string& installPath) {
    return installPath + "\\GameData";
}

std::string ClientExecutablePath(const std::string& installPath) {
    return GameDataFolder(installPath) + "\\" + kClientExecutable;
}

std::optional<std::int32_t> MarkerForFileVersion(const std::string& fileVersion) {
    if (fileVersion.starts_with("1.0.0."))
        return kMagic100;
    if (fileVersion.starts_with("1.0.1."))
        return kMagic101;
    return std::nullopt;
}

LaunchRequest PlanLaunch(const std::string& installPath, const std::string& toolArguments) {
    LaunchRequest request;
    request.parameters = toolArguments;
    request.directory = GameDataFolder(installPath);
    return request;
}

} // namespace quorin
