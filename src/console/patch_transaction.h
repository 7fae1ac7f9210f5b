// What a click on Patch does to the game's files and marker, as one
// transaction: an unfinished switch found earlier looked at again (and set
// aside when the player said so), then the switch. It runs in Quorin itself
// when Quorin may write the marker and the game folder, or else in an
// elevated copy of Quorin, which reports back the same result in words.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "console/version_switch.h"

namespace quorin {

struct PatchRequest {
    bool toNewer = false;    // to 1.0.1, else to 1.0.0
    bool checkFirst = false; // an unfinished switch was found: recover first
    bool setAside = false;   // and set Quorin's folder aside when it cannot be read
    bool operator==(const PatchRequest&) const = default;
};

struct PatchResult {
    // What the look at an unfinished switch found, when it stopped the switch.
    std::optional<RecoverResult> recovery;
    SwitchResult switched{SwitchOutcome::NotStarted, {}};
};

PatchResult RunPatch(IGameFiles& files, const InstallRecord& install, const PatchRequest& request,
                     const std::function<void(int)>& progress, MarkerWriter writeMarker = {});
// Why the switch `request` asks for would be refused by its own checks that
// need no rights (the game's key and folder, the patch store, the plan);
// empty when it can start. Asked before any prompt for rights.
std::string PatchProblem(IGameFiles& files, const InstallRecord& install,
                         const PatchRequest& request);

// The recovery of an unfinished switch at start-up, or the Patch click's
// transaction, for an elevated copy of Quorin: its command-line words, and
// what it reports back in a line of text. Nothing else crosses over.
// Or the one value "Magic" written, for a switch made with the player's own
// rights where only the marker's key needs more.
struct Transaction {
    bool recoverOnly = false;
    PatchRequest patch;
    std::optional<std::uint32_t> marker = std::nullopt;
    bool operator==(const Transaction&) const = default;
};
std::string TransactionArguments(const Transaction& transaction);
// Empty unless the words are exactly what TransactionArguments makes.
std::optional<Transaction> ParseTransactionArguments(const std::string& words);

std::string FormatPatchResult(const PatchResult& result);
std::optional<PatchResult> ParsePatchResult(const std::string& text);

// The word that starts an elevated copy's command line.
inline constexpr char kTransactionWord[] = "--transaction";

// An elevated copy's exit code: the result it reported, or none.
inline constexpr long kTransactionReported = 0;
inline constexpr long kTransactionRefused = 2; // its command line or its requester was not ours
inline constexpr long kMarkerRefused = 3;      // the one value could not be written
// What Run gives when the copy did not start: the player declined the
// system's prompt for administrator rights (ERROR_CANCELLED, negated).
inline constexpr long kElevationDeclined = -1223;

// The elevated copy's reports, a line each, written into a channel that only
// the copy's own process holds: its progress, then its result.
std::string ProgressLine(int percent);
std::string ResultLine(const PatchResult& result);

// Takes what the copy wrote, in whatever pieces it arrives.
class ReportReader {
  public:
    // Hands each progress line's percentage to `progress`; false (and
    // nothing more is taken) at anything that is none of the copy's lines.
    bool Take(const std::string& bytes, const std::function<void(int)>& progress);
    // The result line's words, for ParsePatchResult; empty until it came.
    const std::optional<std::string>& Result() const { return result_; }

  private:
    std::string line_;
    std::optional<std::string> result_;
    bool broken_ = false;
};

// What an elevated copy's run gave.
struct ElevatedRun {
    long exit = 0; // its exit code, or the system's error, negated, when it did not start
    std::optional<std::string> report; // its result line's words, when it wrote one
};

class IElevation {
  public:
    virtual ~IElevation() = default;
    // True when this process may not write the game folder `gameData`
    // itself, so that a transaction must run in an elevated copy.
    virtual bool Needed(const std::string& gameData) = 0;
    // True when this process may not write the marker's key: a switch made
    // with its own rights writes the marker through a one-value elevated step.
    virtual bool MarkerNeeded() = 0;
    // Runs `transaction` in an elevated copy of Quorin and waits for it to
    // end, on the calling (the job's) thread, which `progress` is called on
    // with the percentages the copy reports.
    virtual ElevatedRun Run(const Transaction& transaction,
                            const std::function<void(int)>& progress) = 0;
};

// What an elevated copy can learn of another process, which may belong to
// another account (a standard player who typed an administrator's password).
class IProcessNames {
  public:
    virtual ~IProcessNames() = default;
    // The program file process `id` runs, as the system's list of processes
    // names it: no handle on the process is needed. Empty when unknown.
    virtual std::optional<std::string> Listed(unsigned long id) = 0;
    // The same through a handle on the process, which that process's access
    // list refuses to another account; empty then.
    virtual std::optional<std::string> Opened(unsigned long id) = 0;
};

// True when process `requester` runs the same program file as process
// `self`, each named the same way (the list's names, else the handles').
bool RunsThisProgram(IProcessNames& names, unsigned long self, unsigned long requester);

} // namespace quorin
