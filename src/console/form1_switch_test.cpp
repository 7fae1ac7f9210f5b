// The main window's version switch (here or in an elevated copy, and at
// start-up the recovery of an unfinished one) and the game's launch.
#include <gtest/gtest.h>

#include "console/form1.h"
#include "tests/support/form1_fixture.h"

namespace quorin::test {
namespace {

TEST_F(Form1Test, AnEmptyStoreOffersThePatchFilesWindow) {
    rig_.Install(kMagic100);
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    Answered(Reply("JAmp: v1.0.1.0 x"));
    int opened = 0;
    rig_.form->OpenPatchFiles = [&] { ++opened; };
    for (const bool yes : {false, true}) {
        box_.answer = yes;
        rig_.Patch();
    }
    ASSERT_EQ(box_.shown.size(), 2u);
    EXPECT_EQ(box_.shown[1].style, kMbIconExclamation | kMbYesNo);
    EXPECT_EQ(opened, 1);
}

TEST_F(Form1Test, AStoreThatFailsItsChecksIsNotSwitchedIn) {
    rig_.Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 100");
    files_.versions["c:\\tool\\patch files\\101\\jamp.exe"] = "1.0.0.0";
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    rig_.Patch();
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_NE(box_.shown[0].text.find("jamp.exe\" is the 1.0.0 client"), std::string::npos);
    EXPECT_EQ(rig_.install.ReadMagic(), "0");
    EXPECT_EQ(Seen(s), "Patch failed! Nothing changed. | v1.0.1 v1.0.0 | P +");
}

TEST_F(Form1Test, AFileInUseStopsTheSwitchBeforeAnythingChanges) {
    Form1Controls& s = ReadyToSwitch();
    files_.held.insert("c:\\ja\\gamedata\\jamp.exe"); // by a running game
    rig_.Patch();
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].caption, "Patch failed");
    EXPECT_NE(box_.shown[0].text.find("\"C:\\JA\\GameData\\jamp.exe\" is in use"),
              std::string::npos);
    EXPECT_EQ(rig_.install.ReadMagic(), "0");
    EXPECT_EQ(Seen(s), "Patch failed! Nothing changed. | v1.0.1 v1.0.0 | P +");
}

// The switch runs as a job: the window takes no click, reads no reply and
// shows the job's progress on the timer's ticks, until it has ended.
TEST_F(Form1Test, TheSwitchsJobPaintsItsProgressAndReadsNoReplyUntilItEnds) {
    Form1Controls& s = ReadyToSwitch();
    std::vector<std::string> painted;
    rig_.form->Repaint = [&] { painted.push_back(s.lblStatus); };
    rig_.form->lblPatchMe_Click();
    EXPECT_EQ(rig_.form->Doing(), Activity::Switching);
    files_.duringCopy = [&] { rig_.form->Timer1_Timer(); };
    sockets_.Arrive(Reply("JAmp: v1.0.0.0 x"));
    rig_.form->cmdQuery_Click();
    rig_.stepJobs.Wait();
    rig_.form->Timer1_Timer();
    EXPECT_EQ(sockets_.arrivals.size(), 1u); // not read
    EXPECT_EQ(rig_.install.ReadMagic(), "599925");
    EXPECT_EQ(s.lblStatus, "Patching.... 100%");
    rig_.form->JobFinished();
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(painted,
              (std::vector<std::string>{kPatching, "Patching.... 0%", "Patching.... 100%"}));
    EXPECT_EQ(Seen(s), "Patched & Ready to Launch! | v1.0.1 v1.0.1 | L +");
    EXPECT_EQ(rig_.form->Doing(), Activity::Idle);
}

TEST_F(Form1Test, WithoutAThreadTheSwitchRunsInTheClick) {
    Form1Controls& s = ReadyToSwitch();
    rig_.stepJobs.refuse = true;
    rig_.form->lblPatchMe_Click();
    EXPECT_EQ(rig_.install.ReadMagic(), "599925");
    EXPECT_EQ(s.lblStatus, kPatchedReady);
}

TEST_F(Form1Test, ASwitchThatStopsHalfWaySaysTheNextStartPutsItBack) {
    Form1Controls& s = ReadyToSwitch();
    files_.duringCopy = [] { throw std::bad_alloc(); };
    rig_.Patch();
    EXPECT_EQ(s.lblStatus, kPatchNotUndone);
    EXPECT_NE(box_.shown.at(0).text.find("The switch stopped: std::bad_alloc. Start Quorin again"),
              std::string::npos);
}

TEST_F(Form1Test, ASwitchItsOwnChecksRefuseAsksForNoRights) {
    Form1Controls& s = ReadyToSwitch();
    rig_.scriptedElevation.needed = true;
    EXPECT_EQ(rig_.scriptedElevation.probes, 0); // nothing to recover: the rights not probed
    // The patch store, the game folder or the game's key missing.
    for (const char* moved : {"C:\\Tool\\Patch Files", "C:\\JA\\GameData"}) {
        files_.Rename(moved, "C:\\Away");
        rig_.Patch();
        files_.Rename("C:\\Away", moved);
    }
    registry_.DeleteKeyTree(kGameBaseKey);
    rig_.Patch();
    EXPECT_EQ(rig_.scriptedElevation.runs.size(), 0u);
    EXPECT_EQ(box_.shown.size(), 3u);
    EXPECT_EQ(s.lblStatus, kPatchFailed);
}

TEST_F(Form1Test, WithoutTheRightsAnElevatedCopySwitchesAndItsWordsAreShown) {
    Form1Controls& s = ReadyToSwitch();
    rig_.scriptedElevation.needed = true;
    using Progress = const std::function<void(int)>&;
    // The copy, as it would run, the job's end told while it still runs.
    const auto copyReports = [&](const Transaction& t, Progress progress) {
        progress(40);
        rig_.stepJobs.running = true;
        rig_.form->JobFinished();
        rig_.stepJobs.running = false;
        rig_.form->Timer1_Timer();
        EXPECT_EQ(s.lblStatus, "Patching.... 40%");
        return ElevatedRun{0, FormatPatchResult(RunPatch(files_, rig_.install, t.patch, {}))};
    };
    const auto ended = [](long code) {
        return [code](const Transaction&, Progress) { return ElevatedRun{code, {}}; };
    };
    const struct {
        const char* what;
        std::function<ElevatedRun(const Transaction&, Progress)> copy;
        const char* seen; // the marker, the status, and the box's first words
    } cases[] = {
        {"declined", nullptr,
         "0 Patch failed! Nothing changed. Switching the game needs administrator rights"},
        {"not started", ended(-2),
         "0 Patch failed! Nothing changed. Quorin could not start a copy of itself"},
        {"refused", ended(kTransactionRefused),
         "0 Patch failed! Nothing changed. The copy of Quorin with administrator rights refused"},
        {"ended mid-way", ended(3),
         "0 Patch failed! The game could not be put back. The copy of Quorin that switched"},
        {"switched", copyReports, "599925 Patched & Ready to Launch! "},
    };
    for (const auto& c : cases) {
        box_.shown.clear();
        rig_.scriptedElevation.copy = c.copy;
        rig_.Patch();
        std::string seen = rig_.install.ReadMagic() + " " + s.lblStatus + " ";
        if (!box_.shown.empty())
            seen += box_.shown[0].text;
        EXPECT_EQ(seen.substr(0, std::string(c.seen).size()), c.seen) << c.what;
    }
    EXPECT_EQ(rig_.scriptedElevation.runs.back(), (Transaction{false, {true, false, false}}));
    EXPECT_EQ(Seen(s), "Patched & Ready to Launch! | v1.0.1 v1.0.1 | L +");
}

TEST_F(Form1Test, AtStartUpAnElevatedCopyPutsBackAnUnfinishedSwitchBeforeAnyReply) {
    rig_.Install(kMagic100);
    rig_.scriptedElevation.needed = true;
    using Progress = const std::function<void(int)>&;
    files_.File("C:\\JA\\GameData\\Quorin switch\\journal.txt", FormatJournal({0u, {}, {}, {}}));
    rig_.scriptedElevation.copy = [&](const Transaction& t, Progress) {
        EXPECT_TRUE(t.recoverOnly);
        return ElevatedRun{0,
                           FormatPatchResult({VersionSwitch(files_, rig_.install).Recover(), {}})};
    };
    rig_.Start(kAddress);
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
    rig_.form->Timer1_Timer();
    EXPECT_EQ(rig_.form->Doing(), Activity::Switching);
    EXPECT_EQ(sockets_.arrivals.size(), 1u);
    rig_.form->JobFinished();
    EXPECT_EQ(box_.shown.at(0).caption, "Version switch undone");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\Quorin switch").exists);
}

// The installed version is read only once that copy has ended: a switch
// begun without a marker is put back to none, and only then does the marker
// start as jamp.exe says.
TEST_F(Form1Test, TheInstalledVersionIsSettledOnlyOnceTheRecoveryHasEnded) {
    rig_.Install(std::nullopt);
    rig_.scriptedElevation.needed = true;
    rig_.scriptedElevation.copy = [&](const Transaction&, const std::function<void(int)>&) {
        return ElevatedRun{0,
                           FormatPatchResult({VersionSwitch(files_, rig_.install).Recover(), {}})};
    };
    files_.versions["c:\\ja\\gamedata\\jamp.exe"] = "1.0.1.0";
    files_.File("C:\\JA\\GameData\\Quorin switch\\journal.txt",
                FormatJournal({std::nullopt, {}, {}, {}}));
    rig_.Start(kAddress);
    EXPECT_FALSE(rig_.install.HasMarker()); // the copy still runs
    rig_.form->JobFinished();
    EXPECT_EQ(rig_.install.ReadMagic(), "599925");
}

// Where the player may write the game folder but not the marker's key, the
// files are switched with the player's own rights and only the marker is
// written by an elevated step; with that step declined, nothing changes.
TEST_F(Form1Test, OnlyTheMarkerTakesAdministratorRightsWhereThePlayerMayWriteTheGame) {
    Form1Controls& s = ReadyToSwitch();
    rig_.scriptedElevation.markerNeeded = true;
    rig_.Patch(); // the step declined
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 100");
    EXPECT_EQ(s.lblStatus, kPatchFailed);
    rig_.scriptedElevation.copy = [&](const Transaction& t, const std::function<void(int)>&) {
        rig_.install.WriteMagic(static_cast<std::int32_t>(t.marker.value_or(1)));
        return ElevatedRun{kTransactionReported, {}};
    };
    rig_.Patch();
    const Transaction markerStep{false, {}, 599925u};
    EXPECT_EQ(rig_.scriptedElevation.runs, (std::vector<Transaction>{markerStep, markerStep}));
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 101");
    EXPECT_EQ(rig_.install.ReadMagic(), "599925");
    EXPECT_EQ(s.lblStatus, kPatchedReady);
}

TEST_F(Form1Test, AJournalItCannotReadBlocksPatchUntilThePlayerSetsItAside) {
    rig_.Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    files_.File("C:\\JA\\GameData\\Quorin switch\\0", "the player's original");
    files_.File("C:\\JA\\GameData\\Quorin switch\\journal.txt", "damaged");
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].caption, "Unfinished version switch");
    rig_.Patch(); // asked, and the answer is No: nothing changes
    ASSERT_EQ(box_.shown.size(), 2u);
    EXPECT_EQ(box_.shown[1].style, kMbYesNo | kMbIconExclamation);
    EXPECT_EQ(rig_.install.ReadMagic(), "0");
    EXPECT_EQ(Seen(s), "Needs patched! | v1.0.1 v1.0.0 | P +");
    box_.answer = true;
    rig_.Patch();
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\Quorin switch (kept 1)\\0"),
              "the player's original");
    EXPECT_EQ(rig_.install.ReadMagic(), "599925");
    EXPECT_EQ(Seen(s), "Patched & Ready to Launch! | v1.0.1 v1.0.1 | L +");
}

TEST_F(Form1Test, LaunchPassesTheToolsOwnArgumentsAndWaitsForTheGame) {
    rig_.Install(kMagic101);
    Form1& f = rig_.Start("+connect 127.0.0.1:29070 +set name x");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client");
    f.Controls().lblPatchMeVisible = true;
    std::vector<std::string> painted;
    f.Repaint = [&] { painted.push_back(f.Controls().lblStatus); };
    auto& launcher = rig_.recordingLauncher;
    launcher.fails = true; // nothing started: nothing to wait for
    f.cmdLaunch_Click();
    EXPECT_EQ(f.Controls().lblStatus, kQuerying);
    EXPECT_EQ(f.Doing(), Activity::Idle);
    launcher.fails = false;
    f.cmdLaunch_Click();
    EXPECT_EQ(painted, (std::vector<std::string>{kGameRunning, kGameRunning}));
    EXPECT_EQ(f.Doing(), Activity::GameRunning);
    f.cmdLaunch_Click(); // a second click while it runs
    f.GameEnded();
    EXPECT_EQ(f.Controls().lblStatus, kQuerying); // put back when it ends
    EXPECT_EQ(launcher.started, (std::vector<LaunchRequest>(
                                    2, {"Open", "jamp.exe", "+connect 127.0.0.1:29070 +set name x",
                                        "C:\\JA\\GameData"})));
    EXPECT_FALSE(f.Controls().lblPatchMeVisible);
    EXPECT_FALSE(f.Ended());
}

} // namespace
} // namespace quorin::test
