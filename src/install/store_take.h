// "Take this game's files as its version": the patch store made from the
// player's own game. The first version taken is copied whole; when the other
// version is already there, only the files whose content differs stay in
// either folder (and "base\assets3.pk3", which only 1.0.1 has), the files the
// update added are recorded as ones only 1.0.1 has, and the rest is recorded
// as shared.
//
// All or nothing: the new store is made in a folder beside it, each copy
// checked against the checksum of what it was copied from, and renamed
// into place at the end; a take that is cancelled, fails or is killed leaves
// the store as it was (Recover finishes or undoes the renames).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "install/patch_store.h"

namespace quorin {

// Beside the store: the store being made, and the one it replaces.
inline constexpr char kTakingFolder[] = "\\Patch Files (taking)";
inline constexpr char kReplacedFolder[] = "\\Patch Files (replaced)";

// Which version an installation's files are, 100 or 101: what its client's
// version resource names, else its marker. The files decide: after the
// official update, installed outside Quorin, the marker still says 1.0.0.
// `told` says when the two disagree, or (with no result) when neither tells.
std::optional<int> InstalledVersion(std::optional<std::uint32_t> marker,
                                    const std::optional<std::string>& clientVersion,
                                    std::string& told);

// Game files a switch never needs: the player's own settings and logs, and
// what Quorin's switch keeps in the game folder.
bool IsPlayerFile(const std::string& relativePath);

struct TakeProgress {
    bool copying = false;    // false while the game's files are read for their checksums
    std::uint64_t done = 0;  // bytes of this stage
    std::uint64_t total = 0; // of this stage
};

enum class TakeOutcome {
    Taken,
    NotStarted, // a check failed; nothing was made
    Cancelled,  // the store is as it was
    Failed,     // the store is as it was; `told` says why
};

struct TakeResult {
    TakeOutcome outcome;
    std::string told; // in words for the player
};

class StoreTake {
  public:
    // `toolFolder` holds the store; `gameData` is the game's "GameData" folder.
    StoreTake(IStoreFiles& files, std::string toolFolder, std::string gameData)
        : files_(files), tool_(std::move(toolFolder)), gameData_(std::move(gameData)) {}

    // Takes the game's files as `version` (100 or 101). `going` is called on
    // the caller's thread now and then; false cancels.
    TakeResult Take(int version, const std::function<bool(const TakeProgress&)>& going);

    // Finishes or undoes a take that was stopped half-way; empty when the
    // store is whole, else why it is not.
    std::string Recover();

  private:
    std::string Store() const { return tool_ + kStoreFolder; }
    std::string Taking() const { return tool_ + kTakingFolder; }
    std::string Replaced() const { return tool_ + kReplacedFolder; }
    // Removes a folder Quorin made and everything in it, links as links.
    FileResult RemoveTree(const std::string& folder);

    IStoreFiles& files_;
    std::string tool_;
    std::string gameData_;
};

} // namespace quorin
