// The version switch as one transaction over the game's files and the
// version marker: checked before anything is touched, journalled, the files
// it replaces moved aside, the copies checked on disk, and rolled back as a
// whole on any failure, or at the next start after an interruption.
//
// Everything it finds on disk may have been put there by anyone: the
// journal names files only relative to "GameData" and is obeyed only where
// those names stay inside it; no path is acted on through a link; one
// process at a time switches a game folder; and a journal that cannot be
// read or understood leaves every file where it is.
//
// Run reads as its steps; the parts live beside it: the path rules in
// switch_paths.h, the player's texts in switch_texts.h, the journal's format
// in switch_journal.h, the check of the plan in switch_preparation.h, and
// the roll-back, the recovery and the setting aside in switch_recovery.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/game_plans.h"
#include "console/switch_journal.h"
#include "console/switch_paths.h"
#include "console/switch_preparation.h"
#include "install/install_record.h"

namespace quorin {

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

// What the start-up check of Quorin's folder found.
enum class Leftover {
    None,           // nothing to do, or only a finished switch's leftovers, cleared
    RolledBack,     // an unfinished switch, put back
    Busy,           // another Quorin is switching the game right now; nothing touched
    Unreadable,     // a journal that cannot be read or understood, or a folder Quorin did
                    // not make there; nothing touched
    RollbackFailed, // an unfinished switch that could not be put back entirely
};

struct RecoverResult {
    Leftover leftover = Leftover::None;
    std::string message; // what the player is told; empty for None
};

// Writes the version marker "Magic" for a switch whose process may not
// write its key: a one-value step with administrator rights. True when written.
using MarkerWriter = std::function<bool(std::uint32_t)>;

class VersionSwitch {
  public:
    // The marker is written through `writeMarker` when given, else through
    // the installation record.
    VersionSwitch(IGameFiles& files, const InstallRecord& install, MarkerWriter writeMarker = {})
        : files_(files), install_(install), writeMarker_(std::move(writeMarker)) {}

    // `progress` gets the share of the bytes copied so far, 0 to 100, a few
    // times a second while a copy runs.
    SwitchResult Run(const SwitchPlan& plan, const std::function<void(int)>& progress);

    // Run's checks that need no rights and touch nothing (the game folder,
    // the patch store, the plan, the room on the drive), without the lock or
    // an unfinished switch's journal: why the switch would not start, or
    // empty. So that no one is asked for administrator rights for nothing.
    std::string Check(const SwitchPlan& plan);

    // Rolls back a switch that a crash or a kill left unfinished.
    RecoverResult Recover();

    // The player's way past a journal Quorin cannot read: Quorin's folder is
    // renamed "Quorin switch (kept N)", every file in it kept. Empty when
    // done, else why not.
    std::string SetAside();

  private:
    // Why "Install Path" or "GameData" cannot be switched; empty when they can.
    std::string FolderProblem();
    std::string GameData() const;
    std::string Folder() const { return GameData() + kSwitchFolder; }
    std::string Aside(std::size_t index) const;
    std::string Full(const std::string& relative) const { return GameData() + "\\" + relative; }

    // Run's steps. Why a file Quorin did not put there sits where one of
    // `count` replaced files would go aside; empty when none does.
    std::string AsideTaken(std::size_t count);
    // Writes the journal, making Quorin's folder first unless `folderThere`.
    std::unique_ptr<IJournalFile> StartJournal(const SwitchJournal& journal, bool folderThere,
                                               std::string& problem);
    // Moves the replaced files aside, copies, and checks what arrived; why
    // not all went well, empty when it did.
    std::string Copy(const PreparedSwitch& prepared, const std::function<void(int)>& progress);
    // Rolls back a failed run and says how that went.
    SwitchResult Fail(const SwitchJournal& journal, std::unique_ptr<IJournalFile>& journalFile,
                      const std::string& problem);

    // Recover's work, with the lock already held.
    RecoverResult RecoverLocked();
    // Puts back what the journal names; the problems left, empty when all is back.
    std::string RollBack(const SwitchJournal& journal, std::size_t& restored, std::size_t& removed);
    // RollBack's steps, each noting what it could not do in `problems`.
    void RemoveNewFiles(const SwitchJournal& journal, std::vector<std::string>& problems,
                        std::size_t& removed);
    void PutBackMovedFiles(const SwitchJournal& journal, std::vector<std::string>& problems,
                           std::size_t& restored);
    void RemoveNewFolders(const SwitchJournal& journal, std::vector<std::string>& problems);
    // False, with a problem noted, when a link lies on the way to `relative`:
    // nothing is acted on through a link, whoever put it there.
    bool Reachable(const std::string& relative, std::vector<std::string>& problems);
    // Removes what Quorin made in its folder: the journal and the numbered
    // files set aside, then the folder if that leaves it empty.
    void ClearFolder();

    bool WriteMarker(std::uint32_t value) const;

    IGameFiles& files_;
    const InstallRecord& install_;
    MarkerWriter writeMarker_;
};

} // namespace quorin
