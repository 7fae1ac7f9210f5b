#include "browser/join.h"

#include <gtest/gtest.h>

#include "tests/support/form1_fixture.h"

namespace quorin {
namespace {

class JoinTest : public test::Form1Test {
  protected:
    // The workflow for the server of the list, its reply in unless not `answered`.
    Form1& Begin(std::int32_t magic, bool answered = true, bool store = true) {
        rig_.Install(magic);
        if (store) {
            files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
            files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
        }
        files_.File("C:\\JA\\GameData\\jamp.exe", magic == kMagic100 ? "client 100" : "c 101");
        Form1& form = rig_.Start("+connect 127.0.0.1:29070 +set fs_game x");
        if (answered)
            Answered(test::Reply("JAmp: v1.0.1.0 x"));
        return form;
    }
    // The driver stepped until it has nothing more to do: how many steps it
    // took, 0 when it never stopped.
    int Join(std::int32_t magic, bool store = true) {
        Form1& form = Begin(magic, true, store);
        JoinDriver driver(form, rig_.box);
        for (int step = 1; step <= 20; ++step) {
            if (!driver.Step())
                return step;
            form.JobFinished(); // the switch's job, when one was started, ends
        }
        return 0;
    }
    std::vector<std::string> Launched() {
        std::vector<std::string> out;
        for (const LaunchRequest& r : rig_.recordingLauncher.started)
            out.push_back(r.parameters);
        return out;
    }
};

TEST_F(JoinTest, TheSameVersionStartsTheGameConnected) {
    EXPECT_EQ(Join(kMagic101), 1); // started: nothing more to do
    EXPECT_EQ(Launched(), (std::vector<std::string>{"+connect 127.0.0.1:29070 +set fs_game x"}));
    EXPECT_TRUE(rig_.box.shown.empty());
}

TEST_F(JoinTest, AGameThatDoesNotStartIsNotStartedAgain) {
    rig_.recordingLauncher.fails = true; // the shell has said why, once
    EXPECT_EQ(Join(kMagic101), 1);
    EXPECT_EQ(Launched().size(), 1u);
}

TEST_F(JoinTest, TheOtherVersionIsAskedOnceThenSwitchedThenStarted) {
    rig_.box.answer = true;
    EXPECT_EQ(Join(kMagic100), 2); // asked and switched, then started
    ASSERT_FALSE(rig_.box.shown.empty());
    EXPECT_EQ(rig_.box.shown[0].text,
              "This server plays 1.0.1; the game is 1.0.0. Switch and join?");
    EXPECT_EQ(rig_.install.ReadMagic(), std::to_string(kMagic101));
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 101");
    EXPECT_EQ(Launched(), (std::vector<std::string>{"+connect 127.0.0.1:29070 +set fs_game x"}));
}

TEST_F(JoinTest, NoToTheQuestionChangesNothing) {
    EXPECT_EQ(Join(kMagic100), 1);
    EXPECT_EQ(rig_.box.shown.size(), 1u);
    EXPECT_EQ(rig_.install.ReadMagic(), "0");
    EXPECT_TRUE(Launched().empty());
}

TEST_F(JoinTest, AFailedSwitchEndsTheJoinWithoutTheGame) {
    rig_.box.answer = true;
    EXPECT_EQ(Join(kMagic100, false), 2); // no 1.0.1 files to switch to
    EXPECT_EQ(rig_.Controls().lblStatus, kPatchFailed);
    EXPECT_TRUE(Launched().empty());
}

TEST_F(JoinTest, ASwitchNotUndoneEndsTheJoinWithoutTheGame) {
    rig_.box.answer = true;
    files_.duringCopy = [] { throw std::runtime_error("the disk is gone"); };
    EXPECT_EQ(Join(kMagic100), 2);
    EXPECT_EQ(rig_.Controls().lblStatus, kPatchNotUndone);
    EXPECT_TRUE(Launched().empty());
}

TEST_F(JoinTest, TheReplyAndTheSwitchAreWaitedFor) {
    rig_.box.answer = true;
    Form1& form = Begin(kMagic100, false);
    JoinDriver driver(form, rig_.box);
    EXPECT_TRUE(driver.Step()); // no reply yet
    Answered(test::Reply("JAmp: v1.0.1.0 x"));
    rig_.stepJobs.running = true;
    EXPECT_TRUE(driver.Step()); // asked, and the switch started
    EXPECT_TRUE(driver.Step()); // the switch runs
    rig_.stepJobs.running = false;
    form.JobFinished();
    EXPECT_FALSE(driver.Step());
    EXPECT_EQ(Launched().size(), 1u);
}

} // namespace
} // namespace quorin
