// The main window's workflow, its second half: the installed version, the
// version switch (here or in an elevated copy, and at start-up the recovery
// of an unfinished one), and the game's launch.
#include "console/form1.h"

#include <exception>
#include <utility>

#include "common/versions.h"
#include "console/command_line.h"
#include "console/store_view.h"
#include "console/version_switch.h"

namespace quorin {

std::optional<std::string> Form1::JampExeFileVersion() const {
    return services_.files.FileVersion(ClientExecutablePath(services_.install.InstallPath()));
}

std::optional<std::int32_t> Form1::VersionJampExeNames() const {
    const auto fileVersion = JampExeFileVersion();
    return fileVersion ? MarkerForFileVersion(*fileVersion) : std::nullopt;
}

std::string Form1::InstalledVersion() const {
    if (services_.install.HasMarker())
        return std::string(ClientVersionFromMagic(services_.install.ReadMagic()));
    return std::string(VersionJampExeNames().value_or(kMagic100) == kMagic100 ? kVersion100
                                                                              : kVersion101);
}

void Form1::SettleInstalledVersion() {
    const auto fileVersion = JampExeFileVersion();
    std::optional<std::int32_t> named;
    if (fileVersion)
        named = MarkerForFileVersion(*fileVersion);
    if (!services_.install.HasMarker()) {
        // Without the right to write it, nothing is said: the version is
        // read from jamp.exe again whenever it is needed.
        services_.install.WriteMagic(named.value_or(kMagic100));
        return;
    }
    if (!named)
        return; // the game's files do not say: the marker stands
    const std::string_view marked = ClientVersionFromMagic(services_.install.ReadMagic());
    const std::string_view version = *named == kMagic100 ? kVersion100 : kVersion101;
    if (marked == version)
        return;
    services_.box.Show(
        "The game's jamp.exe is version " + *fileVersion +
            ", but Quorin's record of the installation (the registry value \"Magic\") "
            "says " +
            std::string(marked) + ". Quorin keeps its record; if the game is really " +
            std::string(version) +
            ", check that the patch folders beside quorin.exe hold that version's "
            "jamp.exe.",
        "Installed version", kMbOk | kMbIconInformation);
}

void Form1::SetStatus(std::string text) {
    controls_.lblStatus = std::move(text);
    if (Repaint)
        Repaint();
}

void Form1::RecoverInterruptedSwitch() {
    // Nothing to look at, the common case: the rights are not even probed.
    const std::string gameData = GameDataFolder(services_.install.InstallPath());
    if (!InstallPathProblem(services_.install.InstallPath()).empty() ||
        !services_.files.Stat(gameData + kSwitchFolder).exists)
        return SettleInstalledVersion();
    if (!services_.elevation.Needed(gameData)) {
        TellLeftover(VersionSwitch(services_.files, services_.install, MarkerStep()).Recover());
        return SettleInstalledVersion();
    }
    // Without the rights to put it back, an elevated copy does; until it
    // has, no reply is read, no click taken and the installed version is
    // not looked at.
    StartTransaction({true, {}});
}

void Form1::TellLeftover(const RecoverResult& found) {
    leftover_ = found.leftover;
    leftoverTold_ = found.message;
    switch (found.leftover) {
    case Leftover::None:
        return;
    case Leftover::RolledBack:
        return services_.box.Show(found.message, "Version switch undone",
                                  kMbOk | kMbIconExclamation);
    case Leftover::Busy:
        return services_.box.Show(found.message, "Version switch running",
                                  kMbOk | kMbIconInformation);
    case Leftover::Unreadable:
    case Leftover::RollbackFailed:
        return services_.box.Show(found.message, "Unfinished version switch",
                                  kMbOk | kMbIconExclamation);
    }
}

void Form1::lblPatchMe_Click() {
    if (activity_ != Activity::Idle || switchBoxOpen_)
        return;
    PatchRequest request{controls_.lblClientVersion == kVersion100, leftover_ != Leftover::None,
                         false};
    // The player may set aside what Quorin cannot read; the transaction
    // looks at it again first, and sets it aside only if it still must.
    if (leftover_ == Leftover::Unreadable) {
        switchBoxOpen_ = true; // no reply is read while the question is open
        request.setAside =
            services_.box.Ask(leftoverTold_ + "\n\nSet the folder aside now and switch?",
                              "Unfinished version switch", kMbIconExclamation);
        switchBoxOpen_ = false;
        if (!request.setAside)
            return; // the player chose to leave it: nothing changes
    }
    // What the store's checks find (the same file twice in different letter
    // case, a client of the other version, a damaged record) stops the
    // switch before anything is touched.
    StoreView store(services_.files);
    if (const StoreReport checked = InspectStore(store, services_.files.ToolFolder());
        !checked.problems.empty())
        return ShowSwitchResult({SwitchOutcome::NotStarted, checked.problems.front() +
                                                                " Open Patch Files (the window's "
                                                                "system menu) to see the store."});
    SetStatus(kPatching);
    StartTransaction({false, request});
}

void Form1::StartTransaction(const Transaction& transaction) {
    transaction_ = transaction;
    // An "Install Path" that is no full path is not probed (the probe would
    // write wherever it points); the switch here then says what is wrong.
    elevated_ = InstallPathProblem(services_.install.InstallPath()).empty() &&
                services_.elevation.Needed(GameDataFolder(services_.install.InstallPath()));
    // The player's own rights for files the player may write; administrator
    // rights, if needed, for the marker alone.
    markerStep_ = elevated_ ? MarkerWriter() : MarkerStep();
    report_.reset();
    progress_ = progressShown_ = -1;
    activity_ = Activity::Switching;
    const auto work = [this] {
        if (elevated_ && !transaction_.recoverOnly) {
            // No prompt for rights for a switch that cannot start.
            if (std::string problem =
                    PatchProblem(services_.files, services_.install, transaction_.patch);
                !problem.empty()) {
                elevated_ = false; // read once the job has ended
                patchResult_ = {std::nullopt, {SwitchOutcome::NotStarted, std::move(problem)}};
                return;
            }
        }
        if (elevated_) {
            // The copy's progress and result come only from its own channel.
            const ElevatedRun run =
                services_.elevation.Run(transaction_, [this](int percent) { progress_ = percent; });
            elevatedExit_ = run.exit;
            report_ = run.report;
            return;
        }
        try {
            patchResult_ = RunPatch(
                services_.files, services_.install, transaction_.patch,
                [this](int percent) { progress_ = percent; }, markerStep_);
            if (markerStep_ && patchResult_.switched.outcome == SwitchOutcome::MarkerRefused)
                patchResult_.switched = {
                    SwitchOutcome::NotStarted,
                    "Quorin records the game's version in the registry, which needs "
                    "administrator rights, and Windows did not give them. Nothing changed."};
        } catch (const std::exception& e) {
            // Whatever it had done is in its journal, which the next start undoes.
            patchResult_ = {std::nullopt,
                            {SwitchOutcome::RollbackFailed,
                             std::string("The switch stopped: ") + e.what() +
                                 ". Start Quorin again: it puts the game back as it was."}};
        }
    };
    if (!services_.jobs.Start(work)) {
        work(); // no thread to be had: the transaction runs here, the window still
        JobFinished();
    }
}

MarkerWriter Form1::MarkerStep() {
    if (!services_.elevation.MarkerNeeded())
        return {};
    return [this](std::uint32_t value) {
        return services_.elevation.Run({false, {}, value}, {}).exit == kTransactionReported;
    };
}

PatchResult Form1::ElevatedResult() const {
    if (report_)
        if (const auto reported = ParsePatchResult(*report_))
            return *reported;
    const auto notStarted = [](std::string why) {
        return PatchResult{std::nullopt, {SwitchOutcome::NotStarted, std::move(why)}};
    };
    if (elevatedExit_ == kElevationDeclined)
        return notStarted("Switching the game needs administrator rights, and Windows did not "
                          "give them: the prompt was declined. Nothing changed.");
    if (elevatedExit_ == kTransactionRefused)
        return notStarted("The copy of Quorin with administrator rights refused the request it "
                          "was given. Nothing changed.");
    if (elevatedExit_ < 0)
        return notStarted("Quorin could not start a copy of itself with administrator rights "
                          "to switch the game (system error " +
                          std::to_string(-elevatedExit_) + "). Nothing changed.");
    return {std::nullopt,
            {SwitchOutcome::RollbackFailed,
             "The copy of Quorin that switched the game with administrator rights ended without "
             "saying how it went (exit code " +
                 std::to_string(elevatedExit_) +
                 "). Start Quorin again: it looks at the game and puts back an unfinished "
                 "switch."}};
}

void Form1::JobFinished() {
    if (activity_ != Activity::Switching || !services_.jobs.Done())
        return;
    services_.jobs.Wait();
    activity_ = Activity::Idle;
    switchBoxOpen_ = true;
    struct Done {
        bool& busy;
        ~Done() { busy = false; } // the result's box is open: no reply is read
    } done{switchBoxOpen_};
    PatchResult result = elevated_ ? ElevatedResult() : patchResult_;
    if (transaction_.recoverOnly) {
        // An elevated copy that could not look tells it as the look's result.
        TellLeftover(result.recovery.value_or(RecoverResult{
            result.switched.outcome == SwitchOutcome::NotStarted ? Leftover::Unreadable
                                                                 : Leftover::RollbackFailed,
            result.switched.problem}));
        return SettleInstalledVersion();
    }
    if (result.recovery) {
        leftover_ = result.recovery->leftover;
        leftoverTold_ = result.recovery->message;
        controls_.lblStatus =
            leftover_ == Leftover::RollbackFailed ? kPatchNotUndone : kPatchFailed;
        return services_.box.Show(leftoverTold_, "Patch failed", kMbOk | kMbIconExclamation);
    }
    if (transaction_.patch.checkFirst && result.switched.outcome != SwitchOutcome::NotStarted)
        leftover_ = Leftover::None, leftoverTold_.clear(); // looked at, and out of the way
    ShowSwitchResult(result.switched);
}

void Form1::ShowSwitchResult(const SwitchResult& result) {
    switch (result.outcome) {
    case SwitchOutcome::Switched:
        controls_.lblClientVersion = InstalledVersion(); // what the installation holds now
        controls_.lblStatus = kPatchedReady;
        controls_.lblPatchMeVisible = false;
        controls_.cmdLaunchVisible = true;
        controls_.cmdLaunchEnabled = true;
        return;
    case SwitchOutcome::MarkerRefused:
        services_.box.Show("Reinstall JKA!", "Registry Error!", kMbOk | kMbIconCritical);
        return End();
    default:
        break;
    }
    // The client shows what the installation is now, and Patch stays offered.
    controls_.lblClientVersion = InstalledVersion();
    controls_.lblStatus =
        result.outcome == SwitchOutcome::RollbackFailed ? kPatchNotUndone : kPatchFailed;
    controls_.lblPatchMeVisible = true;
    controls_.cmdLaunchVisible = false;
    // A store that lacks a version's files can be filled from this game.
    const bool storeLacks =
        result.outcome == SwitchOutcome::NotStarted &&
        ((result.problem.starts_with("The patch folder ") &&
          (result.problem.find(" is missing.") != std::string::npos ||
           result.problem.find(" holds none of the game's files.") != std::string::npos)) ||
         result.problem.starts_with("The 1.0.0 patch folder lacks "));
    if (storeLacks && OpenPatchFiles) {
        if (services_.box.Ask(
                result.problem +
                    "\n\nQuorin can take the files from this game: open the Patch Files "
                    "window now?",
                "Patch failed", kMbIconExclamation))
            OpenPatchFiles();
        return;
    }
    services_.box.Show(result.problem, "Patch failed", kMbOk | kMbIconExclamation);
}

void Form1::cmdLaunch_Click() {
    if (activity_ != Activity::Idle || switchBoxOpen_)
        return;
    // An "Install Path" that is no full folder path would find a jamp.exe
    // relative to wherever Quorin runs: that is no game of the player's.
    if (!InstallPathProblem(services_.install.InstallPath()).empty() ||
        !services_.files.FileExists(ClientExecutablePath(services_.install.InstallPath()))) {
        services_.box.Show("Shutting down..", "Cant find your JKA executable!",
                           kMbOk | kMbIconCritical);
        return End();
    }
    // An address typed into Server Settings is handed on, so that the game
    // joins that server instead of opening its menu.
    const std::string arguments =
        addressFromDialog_ ? WithAddress(CommandLine, ServerIP + ":" + ServerPort) : CommandLine;
    statusBeforeGame_ = controls_.lblStatus;
    controls_.lblPatchMeVisible = false;
    SetStatus(kGameRunning);
    game_ = services_.launcher.Start(PlanLaunch(services_.install.InstallPath(), arguments));
    if (game_)
        activity_ = Activity::GameRunning; // no tick or click until it ends
    else
        controls_.lblStatus = statusBeforeGame_; // nothing started: nothing to wait for
}

void Form1::GameEnded() {
    if (activity_ != Activity::GameRunning)
        return;
    game_.reset();
    activity_ = Activity::Idle;
    controls_.lblStatus = statusBeforeGame_;
}

} // namespace quorin
