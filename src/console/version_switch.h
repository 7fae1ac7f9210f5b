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
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/game_plans.h"
#include "install/install_record.h"

namespace quorin {

// Quorin's own folder inside "GameData", and its journal.
inline constexpr char kSwitchFolder[] = "\\Quorin switch";
inline constexpr char kJournalName[] = "\\journal.txt";
// A journal longer than this, or with a longer line, was not written by Quorin.
inline constexpr std::size_t kJournalLimit = 1 << 20;
inline constexpr std::size_t kJournalLineLimit = 1024;
// The longest path the file calls take.
inline constexpr std::size_t kMaxPath = 259;

// Notes that earlier releases put into the patch folders: not game files.
bool IsOurNote(const std::string& relativePath);

// True for a name below a folder that stays inside it: no drive, no root,
// no "." or "..", no stream, no device, nothing Windows would trim away.
bool IsConfinedName(const std::string& relativePath);

// Why "Install Path" cannot be switched, in words for the player; empty when
// it is an absolute folder path.
std::string InstallPathProblem(const std::string& installPath);

// What the journal records, by names relative to "GameData": enough to put
// everything back.
struct SwitchJournal {
    std::optional<std::uint32_t> marker; // the REG_DWORD before the switch; none when absent
    std::vector<std::string> folders;    // made by the copies, outermost first
    std::vector<std::string> newFiles;   // written where nothing was
    std::vector<std::string> movedFiles; // moved aside, to "Quorin switch\<index>"
    bool operator==(const SwitchJournal&) const = default;
};

std::string FormatJournal(const SwitchJournal& journal);
// Empty for anything Quorin would not have written, a name that leaves
// "GameData" included.
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

// What the start-up check of Quorin's folder found.
enum class Leftover {
    None,       // nothing to do, or only a finished switch's leftovers, cleared
    RolledBack, // an unfinished switch, put back
    Busy,       // another Quorin is switching the game right now; nothing touched
    Doubt,      // a journal that cannot be read or understood; nothing touched
    Stuck,      // an unfinished switch that could not be put back entirely
};

struct RecoverResult {
    Leftover leftover = Leftover::None;
    std::string told; // what the player is told; empty for None
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
    struct Prepared; // what the copies will write, and the journal before they do
    // The plan's files, checked; why not, in words for the player.
    std::string Prepare(const SwitchPlan& plan, Prepared& out);
    // Why "GameData" cannot be switched (missing, or a link); empty when it can.
    std::string GameDataProblem();
    std::string GameData() const;
    std::string Folder() const { return GameData() + kSwitchFolder; }
    std::string Aside(std::size_t index) const;
    std::string Full(const std::string& relative) const { return GameData() + "\\" + relative; }
    // The first link on the way from "GameData" to `relative`, itself
    // included; empty when there is none.
    std::string LinkOnTheWay(const std::string& relative);
    // Recover's work, with the lock already held.
    RecoverResult RecoverLocked();
    // Puts back what the journal names; the problems left, empty when all is back.
    std::string RollBack(const SwitchJournal& journal, std::size_t& restored, std::size_t& removed);
    // Removes what Quorin made in its folder: the journal and the numbered
    // files set aside, then the folder if that leaves it empty.
    void ClearFolder();

    bool WriteMarker(std::uint32_t value) const;

    IGameFiles& files_;
    const InstallRecord& install_;
    MarkerWriter writeMarker_;
};

} // namespace quorin
