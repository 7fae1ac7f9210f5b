// Where the version switch may act, by path alone: names that stay inside
// the game's "GameData" folder, the installation's own path, and the
// folder Quorin keeps there while it switches.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "install/game_files.h"

namespace quorin {

// Quorin's own folder inside "GameData", and its journal.
inline constexpr char kSwitchFolder[] = "\\Quorin switch";
inline constexpr char kJournalName[] = "\\journal.txt";
// The longest path the file calls take.
inline constexpr std::size_t kMaxPath = 259;

// Notes that earlier releases put into the patch folders: not game files.
bool IsOurNote(const std::string& relativePath);

// True for a name below a folder that stays inside it: no drive, no root,
// no "." or "..", no stream, no device, nothing Windows would trim away.
bool IsConfinedName(const std::string& relativePath);

// The name of `path` below `folder` ("" for the folder itself); empty when
// it does not lie inside it.
std::optional<std::string> NameInside(const std::string& folder, const std::string& path);

// True for the name of a file the switch set aside in its folder.
bool IsAsideName(const std::string& name);

// Why "Install Path" cannot be switched, in words for the player; empty when
// it is an absolute folder path.
std::string InstallPathProblem(const std::string& installPath);

// The first link on the way from `gameData` to `relative` below it, itself
// included; empty when there is none.
std::string LinkOnTheWay(IGameFiles& files, const std::string& gameData,
                         const std::string& relative);

} // namespace quorin
