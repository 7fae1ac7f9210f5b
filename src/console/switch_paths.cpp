#include "console/switch_paths.h"

#include <algorithm>

#include "common/keyed_collection.h"
#include "console/game_plans.h"
#include "console/switch_texts.h"
#include "install/patch_store.h"

namespace quorin {

bool IsOurNote(const std::string& relativePath) {
    return IsStoreNote(relativePath);
}

bool IsConfinedName(const std::string& relativePath) {
    return IsStoreName(relativePath); // at most kMaxPath long, as the store's names
}

std::optional<std::string> NameInside(const std::string& folder, const std::string& path) {
    if (!EqualsNoCase(path.substr(0, folder.size()), folder))
        return std::nullopt;
    if (path.size() == folder.size())
        return std::string();
    const std::string name = path.substr(folder.size() + 1);
    if (path[folder.size()] != '\\' || !IsConfinedName(name))
        return std::nullopt;
    return name;
}

bool IsAsideName(const std::string& name) {
    return !name.empty() && name.size() <= 9 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string InstallPathProblem(const std::string& installPath) {
    const std::string named =
        "The game's \"Install Path\" in the registry, " + Quoted(installPath) + ", ";
    if (installPath.empty())
        return "The game's registry key has no \"Install Path\", so Quorin cannot tell where the "
               "game is. Reinstall the game.";
    std::string rest;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (installPath.size() >= 3 && letter(installPath[0]) && installPath[1] == ':' &&
        installPath[2] == '\\') {
        rest = installPath.substr(3);
    } else if (installPath.starts_with("\\\\") && !installPath.starts_with("\\\\?\\") &&
               !installPath.starts_with("\\\\.\\")) {
        const std::size_t server = installPath.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return named + "names no shared folder. Reinstall the game.";
        rest = installPath.substr(server + 1);
    } else {
        return named + "is not a full path of a folder (such as C:\\Games\\Jedi Academy). "
                       "Reinstall the game.";
    }
    // A trailing backslash doubles the one every path adds, which Windows allows.
    if (rest.ends_with('\\'))
        rest.pop_back();
    if (!rest.empty() && !IsConfinedName(rest))
        return named + "is not a plain folder path. Reinstall the game.";
    if ((GameDataFolder(installPath) + kSwitchFolder + kJournalName).size() > kMaxPath)
        return named + "is too long: Quorin can use paths of at most " + std::to_string(kMaxPath) +
               " characters. Install the game in a folder with a shorter path.";
    return {};
}

std::string LinkOnTheWay(IGameFiles& files, const std::string& gameData,
                         const std::string& relative) {
    std::string path = gameData;
    for (const std::string& part : PathComponents(relative)) {
        path += "\\" + part;
        if (files.Stat(path).link)
            return path;
    }
    return {};
}

} // namespace quorin
