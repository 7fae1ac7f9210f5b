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
    std::optional<RecoverResult> found;
    SwitchResult switched{SwitchOutcome::NotStarted, {}};
};

PatchResult RunPatch(IGameFiles& files, const InstallRecord& install, const PatchRequest& request,
                     const std::function<void(int)>& progress);

// The recovery of an unfinished switch at start-up, or the Patch click's
// transaction, for an elevated copy of Quorin: its command-line words, and
// what it reports back in a line of text. Nothing else crosses over.
struct Transaction {
    bool recoverOnly = false;
    PatchRequest patch;
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
inline constexpr long kTransactionRefused = 2; // its command line or its window was not ours
// What Run gives when the copy did not start: the player declined the
// system's prompt for administrator rights (ERROR_CANCELLED, negated).
inline constexpr long kElevationDeclined = -1223;

class IElevation {
  public:
    virtual ~IElevation() = default;
    // True when this process may not write the marker or the game folder
    // `gameData` itself, so that a transaction must run in an elevated copy.
    virtual bool Needed(const std::string& gameData) = 0;
    // Runs `transaction` in an elevated copy of Quorin and waits for it to
    // end (on the job's thread). Its exit code, or the system's error,
    // negated, when it could not be started. The copy reports its result to
    // the window meanwhile.
    virtual long Run(const Transaction& transaction) = 0;
};

} // namespace quorin
