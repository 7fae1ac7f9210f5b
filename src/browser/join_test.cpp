#include "browser/join.h"

#include <gtest/gtest.h>

#include "tests/support/form1_rig.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"

namespace quorin {
namespace {

const std::string kReply101 = "\xFF\xFF\xFF\xFFstatusResponse\n\\sv_hostname\\S\\version\\JAmp: "
                              "v1.0.1.0 x\n0 0 \"p\"\n";

class JoinTest : public ::testing::Test {
  protected:
    // The workflow for the server of the list, its reply in, and the driver
    // stepped until it has nothing more to do.
    bool Join(std::int32_t magic) {
        rig_.Install(magic);
        files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
        files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
        files_.File("C:\\JA\\GameData\\jamp.exe", magic == kMagic100 ? "client 100" : "c 101");
        Form1& form = rig_.Start("+connect 127.0.0.1:29070 +set fs_game x");
        sockets_.Arrive(kReply101);
        form.Timer1_Timer();
        JoinDriver driver(form, rig_.box);
        for (int tick = 0; tick < 20; ++tick) {
            if (!driver.Step())
                return true;
            form.JobFinished(); // the switch's job, when one was started, ends
        }
        return false;
    }
    std::vector<std::string> Launched() {
        std::vector<std::string> out;
        for (const LaunchRequest& r : rig_.recordingLauncher.started)
            out.push_back(r.parameters);
        return out;
    }
    test::MemoryRegistry registry_;
    test::ScriptedSockets sockets_;
    PortableGuidText guids_;
    test::MemoryFiles files_;
    test::Form1Rig rig_{registry_, sockets_, guids_, files_};
};

TEST_F(JoinTest, TheSameVersionStartsTheGameConnected) {
    ASSERT_TRUE(Join(kMagic101));
    EXPECT_EQ(Launched(), (std::vector<std::string>{"+connect 127.0.0.1:29070 +set fs_game x"}));
    EXPECT_TRUE(rig_.box.shown.empty());
}

TEST_F(JoinTest, TheOtherVersionIsAskedOnceThenSwitchedThenStarted) {
    rig_.box.answer = true;
    ASSERT_TRUE(Join(kMagic100));
    ASSERT_FALSE(rig_.box.shown.empty());
    EXPECT_EQ(rig_.box.shown[0].text,
              "This server plays 1.0.1; the game is 1.0.0. Switch and join?");
    EXPECT_EQ(rig_.install.ReadMagic(), std::to_string(kMagic101));
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 101");
    EXPECT_EQ(Launched(), (std::vector<std::string>{"+connect 127.0.0.1:29070 +set fs_game x"}));
}

TEST_F(JoinTest, NoToTheQuestionChangesNothing) {
    ASSERT_TRUE(Join(kMagic100));
    EXPECT_EQ(rig_.box.shown.size(), 1u);
    EXPECT_EQ(rig_.install.ReadMagic(), "0");
    EXPECT_TRUE(Launched().empty());
}

} // namespace
} // namespace quorin
