// The main window's query cycle: the server's verdict, the lists and the
// glance filled from its reply, silence, and socket failures told once.
#include <gtest/gtest.h>

#include "console/form1.h"
#include "net/error_text.h"
#include "tests/support/form1_fixture.h"

namespace quorin::test {
namespace {

TEST_F(Form1Test, TheVerdictComparesServerAndClientVersions) {
    const struct {
        std::optional<std::int32_t> magic;
        std::string version;
        const char* seen;
    } cases[] = {
        {kMagic101, "JAmp: v1.0.1.0 win-x86 Oct 24 2003", "Ready to Launch! | v1.0.1 v1.0.1 | L +"},
        {std::nullopt, "JAmp: v1.0.1.0 x", "Needs patched! | v1.0.1 v1.0.0 | P +"}, // created as 0
        {123, "JAmp: v1.0.1.0 x", "Ready to Launch! | v1.0.1 v1.0.1 | L +"},
        // A server of neither version is neither joined nor switched for.
        {kMagic101, "JAmp: V1.0.1.0 x\\protocol\\26",
         "Unknown server version! | V1.0.1 v1.0.1 | +"},
        {kMagic101, "ioq3 1.36_GIT linux\\protocol\\71\\gamename\\baseoa",
         "Not a Jedi Academy server! | 1.36_G v1.0.1 | +"},
        {kMagic100, "Q3 1.32\\gamename\\basejka", "Unknown server version! | 1.32 v1.0.0 | +"},
        {kMagic101, "EternalJK: Beta\\protocol\\26", "Ready to Launch! | v1.0.1 v1.0.1 | L +"},
        // An engine naming its own version is named by its protocol.
        {kMagic100, "OpenJK-MP: 1.0.1.1 linux\\protocol\\25",
         "Ready to Launch! | v1.0.0 v1.0.0 | L +"},
    };
    for (const auto& c : cases) {
        rig_.Install(c.magic);
        rig_.Stop();
        EXPECT_EQ(Seen(Answered(Reply(c.version))), c.seen) << c.version;
    }
    // No "version" at all: the protocol names it.
    rig_.Install(kMagic100);
    rig_.Stop();
    EXPECT_EQ(Seen(Answered(kHeader + "\\sv_hostname\\T\\protocol\\26\n0 0 \"p\"\n")),
              "Needs patched! | v1.0.1 v1.0.0 | P +");
}

TEST_F(Form1Test, ThePingCountsTheNetworkAloneNotTheWindowsCreation) {
    rig_.Install(kMagic101);
    // Start-up ends at 1000 ms, the window shows at 1300 and the request
    // goes out then; its reply is seen at 1348 and read on the tick at 1400.
    std::int64_t now = 1000;
    Form1& f = rig_.Create(kAddress);
    f.Clock = [&] { return now; };
    f.Form_Load();
    EXPECT_TRUE(sockets_.sent.empty());
    now = 1300;
    f.Form_Shown();
    now = 1348;
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x", "\\mapname\\^1mp/ffa3\\sv_maxclients\\16"));
    f.Ping_Timer();
    EXPECT_FALSE(f.PingPending());
    now = 1400;
    f.Timer1_Timer();
    EXPECT_EQ(f.Controls().glance, "1/16 players, mp/ffa3, 48 ms");
    EXPECT_EQ(f.Controls().serverName, "Test");
}

TEST_F(Form1Test, ListsFillRowForRowAndAPlayerEachAfterThePairs) {
    rig_.Install(kMagic101);
    const Form1Controls& s =
        Answered(Reply("JAmp: v1.0.1.0 x", "\\mapname\\^1mp/ffa3\\sv_maxclients\\16"));
    EXPECT_EQ(s.lstSVRVariable, (std::vector<std::string>{"sv_hostname", "version", "mapname",
                                                          "sv_maxclients", "p"}));
    EXPECT_EQ(s.lstSVRValue[3], "16\n0 0 \"p\"\n");
    EXPECT_EQ(s.lstSVRValue[4], "0 0 \"p\"");
    EXPECT_EQ(s.pairRows, 4);
    EXPECT_EQ(s.scrollMax, 5);
    EXPECT_EQ(s.variableSelected, 0);
    EXPECT_EQ(s.valueSelected, 0);
}

TEST_F(Form1Test, ADatagramWithoutPairsEmptiesTheListsAndKeepsTheVerdict) {
    const std::pair<std::string, const char*> cases[] = {
        {kHeader, "Ready to Launch! | v1.0.1 v1.0.1 | L +"}, // against the version still shown
        {"\\sv_hostname\\no header", "No results returned from server! | v1.0.1 v1.0.1 | +"},
    };
    for (const auto& [datagram, seen] : cases) {
        rig_.Install(kMagic101);
        rig_.Stop();
        Answered(Reply("JAmp: v1.0.1.0 x"));
        const Form1Controls& s = Answered(datagram);
        EXPECT_TRUE(s.lstSVRVariable.empty()) << seen;
        EXPECT_TRUE(s.lstSVRValue.empty()) << seen;
        EXPECT_EQ(s.variableSelected, -1) << seen;
        EXPECT_EQ(Seen(s), seen);
    }
}

TEST_F(Form1Test, ASilentServerIsNotRespondingAndALateReplyStillCounts) {
    rig_.Install(kMagic101);
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    rig_.form->cmdQuery_Click();
    std::vector<std::string> told;
    for (int tick = 1; tick <= 8; ++tick, rig_.form->Timer1_Timer())
        told.push_back(s.lblStatus);
    EXPECT_EQ(told.back(), kQuerying); // 4 s of ticks
    EXPECT_EQ(s.lblStatus, kNotResponding);
    EXPECT_EQ(s.glance, ""); // the last reply's players and ping are no longer the server's
    EXPECT_EQ(Seen(Answered(Reply("JAmp: v1.0.1.0 x"))), "Ready to Launch! | v1.0.1 v1.0.1 | L +");
}

TEST_F(Form1Test, SocketFailuresAreReportedAndKeepWhatTheReplySet) {
    rig_.Install(kMagic101);
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    // What each failure is told as: a refusal on the status bar, the rest
    // in a box; the lists and Launch stay as the reply set them.
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { sockets_.Fail(10054); }, "Server not responding!"}, // refused,
        {[&] { sockets_.Fail(10054); }, "Server not responding!"}, // and again
        {[&] { sockets_.Fail(10052); }, "Network dropped connection on reset. (Winsock error 48)"},
        {[&] { sockets_.selectError = 10038; },
         "Socket operation on nonsocket. (Winsock error 48)"},
        {[&] { sockets_.sendError = 10065; }, "No route to host. (Winsock error 48)"},
    };
    for (const auto& [fail, told] : cases) {
        box_.shown.clear();
        s.cmdExpandEnabled = true;
        sockets_.selectError = sockets_.sendError = 0;
        rig_.form->cmdQuery_Click();
        fail();
        rig_.form->cmdQuery_Click();
        rig_.form->Timer1_Timer();
        const std::string shown = box_.shown.empty()
                                      ? s.lblStatus
                                      : box_.shown[0].text + " (" + box_.shown[0].caption + " " +
                                            std::to_string(box_.shown[0].style) + ")";
        EXPECT_EQ(shown + (s.cmdExpandEnabled ? " +" : "") + (s.cmdLaunchVisible ? " L" : "") +
                      std::to_string(s.lstSVRVariable.size()),
                  std::string(told) + " L3");
    }
    // One socket for the whole run, whatever it was told.
    EXPECT_EQ(sockets_.closes, 0);
    EXPECT_EQ(sockets_.connects.size(), 1u);
}

TEST_F(Form1Test, AFailureWithoutANumberOfItsOwnIsBoxedOnce) {
    rig_.Install(kMagic101);
    Answered(Reply("JAmp: v1.0.1.0 x"));
    rig_.form->ShowErrorMessage(0);
    rig_.form->ShowErrorMessage(0);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].text, "Unknown error.");
}

TEST_F(Form1Test, TicksUnderAnOpenBoxWaitAndAFloodOfOversizedDatagramsGetsOneBox) {
    // The timer keeps ticking inside a box's own message loop.
    class TickingBox : public RecordingBox {
      public:
        std::function<void()> tick;
        void Show(const std::string& text, const std::string& caption, unsigned style) override {
            RecordingBox::Show(text, caption, style);
            for (int i = 0; tick && i < 3; ++i)
                tick();
        }
    } box;
    rig_.Install(kMagic101);
    Form1& f = rig_.Start(kAddress, &box);
    box.tick = [&] { f.Timer1_Timer(); };
    for (int i = 0; i < 5; ++i)
        sockets_.Fail(kWsaeMsgSize);
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
    for (int i = 0; i < 5; ++i)
        sockets_.Fail(kWsaeMsgSize);
    f.Timer1_Timer();
    // One box; the oversized datagrams behind it went without one each, and
    // the good reply among them was read.
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(Seen(f.Controls()), "Ready to Launch! | v1.0.1 v1.0.1 | L +");
    f.Timer1_Timer();
    f.Timer1_Timer();
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(sockets_.arrivals.empty());
    // After a reply, a new failure is worth a box again.
    sockets_.Fail(kWsaeMsgSize);
    f.Timer1_Timer();
    EXPECT_EQ(box.shown.size(), 2u);
}

} // namespace
} // namespace quorin::test
