// The version switch as one transaction over the game's files and the
// version marker: checked before anything is touched, journalled, the files
// it replaces moved aside, the copies checked on disk, and rolled back as a
// whole on any failure, or at the next start after an interruption.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/game_switch.h"
#include "install/install_record.h"

namespace quorin {

// Quorin's own folder inside "GameData", and its journal.
inline constexpr char kSwitchFolder[] = "\\Quorin switch";
inline constexpr char kJournalName[] = "\\journal.txt";

// Notes that earlier releases put into the patch folders: not game files.
bool IsOurNote(const std::string& relativePath);

// What the journal records: enough to put everything back.
struct SwitchJournal {
    std::optional<RegistryData> marker;  // as stored before the switch
    std::vector<std::string> folders;    // made by the copies, outermost first
    std::vector<std::string> newFiles;   // written where nothing was
    std::vector<std::string> movedFiles; // moved aside, to "<folder>\<index>"
};

std::string FormatJournal(const SwitchJournal& journal);
std::optional<SwitchJournal> ParseJournal(const std::string& text);

enum class SwitchOutcome {
    Switched,
    NotStarted,     // a check failed; nothing was touched
    MarkerRefused,  // the marker could not be written; nothing was touched
    RolledBack,     // a step failed; everything is as it was
    RollbackFailed, // a step failed and not everything could be put back
};

struct SwitchResult {
    SwitchOutcome outcome;
    std::string problem; // in words for the player; empty when switched
};

class VersionSwitch {
  public:
    VersionSwitch(IGameFiles& files, const InstallRecord& install)
        : files_(files), install_(install) {}

    // `progress` gets the share of the bytes copied so far, 0 to 100, a few
    // times a second while a copy runs.
    SwitchResult Run(const SwitchPlan& plan, const std::function<void(int)>& progress);

    // Rolls back a switch that a crash or a kill left unfinished. Empty when
    // there was none; otherwise what the player is told.
    std::optional<std::string> Recover();

  private:
    std::string GameData() const;
    std::string Folder() const { return GameData() + kSwitchFolder; }
    std::string Aside(std::size_t index) const;
    // Puts back what the journal names; the problems left, empty when all is back.
    std::string RollBack(const SwitchJournal& journal);
    // Empties and removes Quorin's folder, whatever it holds.
    void ClearFolder();

    IGameFiles& files_;
    const InstallRecord& install_;
};

} // namespace quorin
