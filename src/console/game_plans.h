// The version switch and the game launch as plans: what to write, delete,
// copy and start, from the labels and the installation's folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/background.h"
#include "install/game_files.h"

namespace quorin {

struct SwitchPlan {
    std::int32_t marker;
    std::optional<std::string> deleteIfPresent;
    std::vector<CopyStep> copies;
    // Going down: the 1.0.1 store, every file of which the copies must replace.
    std::optional<std::string> replacedStore;
};

// Chosen from the client label's text alone: exactly "v1.0.0" goes to 1.0.1,
// anything else to 1.0.0. Paths are joined as given, without normalising.
SwitchPlan PlanSwitch(const std::string& clientVersionText, const std::string& toolFolder,
                      const std::string& installPath);

// The game's "GameData" folder in the installation at `installPath`.
std::string GameDataFolder(const std::string& installPath);
std::string ClientExecutablePath(const std::string& installPath);
// The marker for the version a client's file version names ("1.0.0.x" or
// "1.0.1.x"); empty for any other.
std::optional<std::int32_t> MarkerForFileVersion(const std::string& fileVersion);
LaunchRequest PlanLaunch(const std::string& installPath, const std::string& toolArguments);

} // namespace quorin
