// What the version switch tells the player, in words the player can act on:
// why a switch would not start, why one was rolled back, and what the next
// start found of one that did not finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "install/game_files.h"

namespace quorin {

inline constexpr char kAnotherSwitching[] =
    "Another Quorin is switching the game's version right now. This one leaves the game "
    "folder alone: wait until the other has finished.";
inline constexpr char kTriesAgain[] = " Quorin tries again when you click Patch or start it again.";
inline constexpr char kMarkerNotBack[] =
    "Quorin could not put back the version marker \"Magic\" in the registry.";

std::string Quoted(const std::string& path);
// Why a file could not be moved, removed or written.
std::string Cause(const std::string& path, FileResult result);

// Why a switch would not start.
std::string LinkText(const std::string& path);
std::string TooLongText(const std::string& path);
std::string GameDataMissingText(const std::string& gameData);
std::string StoreLinkText(const std::string& folder);
std::string StoreHoldsLinkText(const std::string& path);
std::string StoreMissingText(const std::string& folder);
std::string StoreEmptyText(const std::string& folder);
std::string UncopyableText(const std::string& path);
std::string NotInsideText(const std::string& path, const std::string& gameData);
std::string DeletedNotInsideText(const std::string& path);
std::string FolderInTheWayText(const std::string& path);
// Going down: `count` files of 1.0.1 that no 1.0.0 file replaces, the first
// five named in `names`; `store100` is where their 1.0.0 versions belong.
std::string LeftBehindText(std::size_t count, const std::string& names,
                           const std::string& store100);
std::string NoRoomText(std::uint64_t needed, std::uint64_t free, const std::string& gameData);
std::string NotOursAsideText(const std::string& path);
std::string JournalUnwritableText(const std::string& folder, const std::string& cause);

// Why a switch was rolled back.
std::string CopyFailedText(const std::string& gameData);
std::string NotArrivedText(const std::string& path, const std::string& source);

// What a roll-back could not put back, and the whole of it for the player.
std::string NowAFolderText(const std::string& path);
std::string NeitherHereNorThereText(const std::string& path, const std::string& folder,
                                    std::size_t index);
std::string NotPutBackText(const std::vector<std::string>& problems, const std::string& folder);

// What the next start found of a switch that did not finish.
std::string UnfinishedText(const std::string& what);
std::string UnreadableText(const std::string& folder, const std::string& why);
inline constexpr char kFolderNotOurs[] = "it is not a folder Quorin made (it is a link or a file).";
inline constexpr char kJournalNotOurs[] = "its journal is not a file Quorin wrote.";
inline constexpr char kJournalUnread[] =
    "its journal cannot be read (another program may have it open).";
inline constexpr char kJournalNotUnderstood[] =
    "its journal cannot be understood: it is damaged, or was not written by this version of "
    "Quorin.";
std::string JournalNotRemovedText(const std::string& cause);
std::string RolledBackText(std::size_t restored, std::size_t removed);

// Why Quorin's folder could not be set aside.
std::string SetAsideLinkText(const std::string& folder);
std::string TooManyKeptText(const std::string& folder);

} // namespace quorin
