// The main window's workflow: start-up, the query cycle, error reporting, the
// details panel, the switch and the launch, over a scripted Winsock, the
// in-memory registry and an in-memory game folder.
#include <gtest/gtest.h>

#include "console/form1.h"
#include "net/error_text.h"
#include "net/status_reply.h"
#include "tests/support/form1_rig.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"

namespace quorin {
namespace {

using test::RecordingBox;
const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse\n", 19);
constexpr char kAddress[] = "+connect 127.0.0.1:29070";

std::string Reply(const std::string& version, const std::string& extra = "") {
    return kHeader + "\\sv_hostname\\Test\\version\\" + version + extra + "\n0 0 \"p\"\n";
}

// What a player sees, in one line: status, versions, and which of Launch,
// Patch and "+" are shown (L, P) or enabled (+).
std::string Seen(const Form1Controls& c) {
    return c.lblStatus + " | " + c.lblSVRVersion + " " + c.lblClientVersion + " |" +
           (c.cmdLaunchVisible && c.cmdLaunchEnabled ? " L" : "") +
           (c.lblPatchMeVisible ? " P" : "") + (c.cmdExpandEnabled ? " +" : "");
}

class Form1Test : public ::testing::Test {
  protected:
    // A started tool that has received `datagram`.
    Form1Controls& Answered(const std::string& datagram) {
        Form1& f = rig_.form ? *rig_.form : rig_.Start(kAddress);
        sockets_.Arrive(datagram);
        f.Timer1_Timer();
        return f.Controls();
    }

    test::MemoryRegistry registry_;
    test::ScriptedSockets sockets_;
    PortableGuidText guids_;
    test::MemoryFiles files_;
    test::Form1Rig rig_{registry_, sockets_, guids_, files_};
    RecordingBox& box_ = rig_.box;
};

TEST_F(Form1Test, WithoutTheGameItEndsAndUnloadClosesOnlyWhatWasMade) {
    rig_.Start(kAddress).Form_Unload();
    EXPECT_EQ(box_.shown, (std::vector<RecordingBox::Shown>{
                              {"Please install JKA!", "Can't Locate JKA!", kMbOk}}));
    EXPECT_TRUE(rig_.form->Ended());
    EXPECT_EQ(sockets_.closes, 0); // nothing made, nothing closed
    EXPECT_TRUE(sockets_.connects.empty());
    EXPECT_EQ(rig_.process.ends, 2); // at start-up, and at unload
    rig_.Install(kMagic101);
    Form1& f = rig_.Start(kAddress);
    f.Form_Unload();
    EXPECT_EQ(sockets_.closes, 1);
    EXPECT_EQ(f.SocketCount, 0);
}

TEST_F(Form1Test, TakesTheAddressFromTheCommandLineOrAsksForIt) {
    rig_.dialog.answer = [](ServerAddressRefs h) {
        h.serverIP = h.lblIP = "127.0.0.1";
        h.serverPort = h.lblPort = "29071";
        return true;
    };
    const std::pair<const char*, const char*> cases[] = {
        // line; ip, port connected, dialogs
        {"+connect gameserver:40000 extra words", "gameserver 40000 0"}, // looked up by name
        {"+connect 10.0.0.1", "10.0.0.1 29070 0"},
        {"", "127.0.0.1 29071 1"},
    };
    rig_.Install(kMagic101);
    for (const auto& [line, seen] : cases) {
        sockets_.connects.clear();
        sockets_.sent.clear();
        rig_.dialog.shown = 0;
        Form1& f = rig_.Start(line);
        ASSERT_EQ(sockets_.connects.size(), 1u) << line;
        const int port = sockets_.connects[0][2] << 8 | sockets_.connects[0][3];
        EXPECT_EQ(f.ServerIP + " " + std::to_string(port) + " " + std::to_string(rig_.dialog.shown),
                  seen);
        EXPECT_EQ(f.Controls().lblIP + Seen(f.Controls()) +
                      (f.Controls().cmdQueryEnabled ? "Q" : ""),
                  f.ServerIP + "Querying server... |     |Q");
        EXPECT_EQ(sockets_.sent, std::vector<std::string>{std::string(kStatusRequest)});
    }
    EXPECT_EQ(sockets_.lookedUp, std::vector<std::string>{"gameserver"});

    rig_.dialog.answer = [](ServerAddressRefs h) { return h.serverPort = "5", true; }; // no IP
    EXPECT_TRUE(rig_.Start("").Ended());
    EXPECT_EQ(box_.shown.back(), (RecordingBox::Shown{"No IP to connect to!", "", kMbOk}));
    rig_.dialog.answer = nullptr; // gave up: the dialog ended the tool
    EXPECT_TRUE(rig_.Start("").Ended());
}

TEST_F(Form1Test, AGameWithoutAMarkerHoldsWhatJampExeNamesWithOrWithoutTheRightToWrite) {
    const std::string differs =
        " The game's jamp.exe is version 1.0.0.12, but Quorin's record of the installation (the "
        "registry value \"Magic\") says v1.0.1. Quorin keeps its record; if the game is really "
        "v1.0.0, check that the patch folders beside quorin.exe hold that version's jamp.exe. 64";
    const struct {
        std::optional<std::int32_t> magic;
        const char* fileVersion; // nullptr: no version resource
        bool writable;           // the version key takes writes
        const char* server;
        std::string seen; // the marker after start-up ("-": none), the verdict, any box
    } cases[] = {
        {std::nullopt, "1.0.1.0", true, "v1.0.1", "599925 Ready to Launch!"},
        {std::nullopt, "1.0.0.0", true, "v1.0.1", "0 Needs patched!"},
        {std::nullopt, nullptr, true, "v1.0.0", "0 Ready to Launch!"},
        // Without the right to write: nothing is written, and nothing says it was.
        {std::nullopt, "1.0.0.0", false, "v1.0.1", "- Needs patched!"},
        {std::nullopt, "1.0.0.0", false, "v1.0.0", "- Ready to Launch!"},
        {std::nullopt, nullptr, false, "v1.0.1", "- Needs patched!"},
        {std::nullopt, nullptr, false, "v1.0.0", "- Ready to Launch!"},
        {std::nullopt, "1.0.1.0", false, "v1.0.1", "- Ready to Launch!"},
        {std::nullopt, "1.0.1.0", false, "v1.0.0", "- Needs patched!"},
        {kMagic101, "1.0.1.3", true, "v1.0.1", "599925 Ready to Launch!"},
        {kMagic101, "2.0.0.0", true, "v1.0.1", "599925 Ready to Launch!"}, // the marker stands
        // A marker stands against the files; the box says what disagrees.
        {kMagic101, "1.0.0.12", true, "v1.0.1", "599925 Ready to Launch!" + differs},
        {kMagic101, "1.0.0.12", false, "v1.0.1", "599925 Ready to Launch!" + differs},
    };
    for (const auto& c : cases) {
        rig_.Install(c.magic);
        if (!c.writable)
            registry_.MakeReadOnly(kGameVersionKey);
        files_.versions.clear();
        if (c.fileVersion)
            files_.versions["c:\\ja\\gamedata\\jamp.exe"] = c.fileVersion;
        box_.shown.clear();
        rig_.Stop();
        const Form1Controls& seenNow = Answered(Reply(std::string("JAmp: ") + c.server + ".0 x"));
        std::string seen =
            (rig_.install.HasMarker() ? rig_.install.ReadMagic() : "-") + " " + seenNow.lblStatus;
        for (const auto& shown : box_.shown)
            seen += " " + shown.text + " " + std::to_string(shown.style) +
                    (shown.caption == "Installed version" ? "" : " in another caption");
        EXPECT_EQ(seen, c.seen) << (c.fileVersion ? c.fileVersion : "none") << " " << c.writable
                                << " " << c.server;
    }
}

TEST_F(Form1Test, AddressAndWinsockFailuresAtStartUpAreExplained) {
    rig_.Install(kMagic101);
    const struct {
        const char* line;
        int startup, socket; // Winsock's failures
        const char* box;
        int dialogs; // the settings offered again to mend the address
    } cases[] = {
        {"+connect a:b:c", 0, 0, "The server port \"b\" is not a whole number from 1 to 65535.", 1},
        {"+connect :5000", 0, 0,
         "No server IP to connect to: start Quorin with +connect host:port.", 1},
        {"+connect unresolvable:5", 0, 0, "Host not found.", 1},
        {"+connect [::1]:5", 0, 0,
         "\"[::1]:5\" is an IPv6 address, and the game connects over IPv4 only. Give the "
         "server's IPv4 address or name.",
         1},
        {"+connect 1.2.3.4:5", 10091, 0, "Network subsystem is unavailable.", 0},
        {"+connect 1.2.3.4:5", 0, 10024, "Too many open files.", 0},
    };
    for (const auto& c : cases) {
        box_.shown.clear();
        rig_.dialog.shown = 0;
        sockets_.startup = c.startup;
        sockets_.socketError = c.socket;
        Form1& f = rig_.Start(c.line); // the player gives up in the settings
        EXPECT_EQ(box_.shown.size(), 1u) << c.line;
        EXPECT_EQ(box_.shown.at(0).text, c.box);
        EXPECT_EQ(rig_.dialog.shown, c.dialogs) << c.line;
        EXPECT_TRUE(f.Ended()) << c.line;
    }
    EXPECT_EQ(box_.shown[0].caption + " " + std::to_string(box_.shown[0].style),
              "Winsock error 48");
    EXPECT_TRUE(sockets_.connects.empty());
    EXPECT_TRUE(sockets_.sent.empty());
    // A name never holds a colon: only hex digits and colons are IPv6.
    const std::pair<const char*, const char*> hosts[] = {
        {"host:1:2", "\"host:1:2\" is not a server IP: give the address or name alone in Server "
                     "IP, and the port in Server Port."},
        {"fe80::1", "\"fe80::1\" is an IPv6 address, and the game connects over IPv4 only. Give "
                    "the server's IPv4 address or name."},
    };
    for (const auto& [host, told] : hosts)
        EXPECT_EQ(BadAddressText(host, "29070"), told);
}

TEST_F(Form1Test, ARefusedAddressIsMendedInTheSettingsAndAnEmptyPortIsTheGames) {
    rig_.Install(kMagic101);
    std::vector<std::string> offered;
    rig_.dialog.answer = [&](ServerAddressRefs h) {
        offered.push_back(h.lblIP + ":" + h.lblPort + "/" + h.serverIP + ":" + h.serverPort);
        h.serverIP = h.lblIP = offered.size() == 1 ? "unresolvable" : "10.0.0.5";
        h.serverPort = h.lblPort = offered.size() == 1 ? "5000" : "";
        return true;
    };
    Form1& f = rig_.Start("+connect 10.0.0.5:70000 +set fs_game japlus");
    EXPECT_EQ(offered, (std::vector<std::string>{"10.0.0.5:70000/:", "unresolvable:5000/:"}));
    EXPECT_EQ(Seen(f.Controls()), "Querying server... |     |");
    EXPECT_EQ(f.Controls().lblPort, "29070");
    ASSERT_EQ(sockets_.connects.size(), 1u);
    EXPECT_EQ(sockets_.connects[0][2] << 8 | sockets_.connects[0][3], 29070);
    files_.File("C:\\JA\\GameData\\jamp.exe", "client");
    f.cmdLaunch_Click();
    EXPECT_EQ(rig_.recordingLauncher.started.at(0).parameters,
              "+connect 10.0.0.5:29070 +set fs_game japlus"); // the rest kept
}

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

TEST_F(Form1Test, ListsFillRowForRowAndLaterDatagramsReplaceThem) {
    rig_.Install(kMagic101);
    // Start-up ends at 1000 ms, the window shows at 1300 and the request
    // goes out then; its reply is seen at 1348 and read on the tick at 1400:
    // the ping is 48 ms, whatever the window took to appear.
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
    Form1Controls& s = f.Controls();
    // The server's pairs as sent, then a row for each player.
    EXPECT_EQ(s.lstSVRVariable, (std::vector<std::string>{"sv_hostname", "version", "mapname",
                                                          "sv_maxclients", "p"}));
    EXPECT_EQ(s.lstSVRValue[3] + "|" + s.lstSVRValue[4], "16\n0 0 \"p\"\n|0 0 \"p\"");
    EXPECT_EQ(std::to_string(s.pairRows) + " " + std::to_string(s.scrollMax), "4 5");
    EXPECT_EQ(s.glance + " | " + s.serverName, "1/16 players, mp/ffa3, 48 ms | Test");
    EXPECT_EQ(s.variableSelected, 0);
    EXPECT_EQ(s.valueSelected, 0);
    rig_.form->cmdExpand_Click();
    EXPECT_EQ(s.cmdExpandCaption, "-");

    Answered(kHeader); // header, no backslash
    EXPECT_TRUE(s.lstSVRVariable.empty());
    EXPECT_EQ(s.variableSelected, -1);
    EXPECT_EQ(s.scrollMax, 0);
    EXPECT_EQ(Seen(s), "Ready to Launch! | v1.0.1 v1.0.1 | L +"); // against the version still shown

    Answered("\\sv_hostname\\no header");
    EXPECT_TRUE(s.lstSVRValue.empty());
    EXPECT_EQ(Seen(s), "No results returned from server! | v1.0.1 v1.0.1 | +");

    // Silence: not responding after 4 s of ticks, and a late reply still counts.
    rig_.form->cmdQuery_Click();
    std::vector<std::string> told;
    for (int tick = 1; tick <= 8; ++tick, rig_.form->Timer1_Timer())
        told.push_back(s.lblStatus);
    EXPECT_EQ(told.back() + " " + s.lblStatus, std::string(kQuerying) + " " + kNotResponding);
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
    // A failure without a number of its own is boxed like any other, once.
    sockets_.sendError = 0;
    rig_.form->cmdQuery_Click();
    box_.shown.clear();
    rig_.form->ShowErrorMessage(0);
    rig_.form->ShowErrorMessage(0);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].text, "Unknown error.");
    // One socket for the whole run, whatever it was told.
    EXPECT_EQ(sockets_.closes, 0);
    EXPECT_EQ(sockets_.connects.size(), 1u);
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
    EXPECT_EQ(rig_.install.ReadMagic() + " " + Seen(s),
              "0 Patch failed! Nothing changed. | v1.0.1 v1.0.0 | P +");
}

TEST_F(Form1Test, ASwitchSaysWhyItFailedOrPaintsItsProgressAndOffersLaunch) {
    rig_.Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    files_.held.insert("c:\\ja\\gamedata\\jamp.exe"); // by a running game
    rig_.Patch();
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].caption, "Patch failed");
    EXPECT_NE(box_.shown[0].text.find("\"C:\\JA\\GameData\\jamp.exe\" is in use"),
              std::string::npos);
    EXPECT_EQ(rig_.install.ReadMagic() + " " + Seen(s),
              "0 Patch failed! Nothing changed. | v1.0.1 v1.0.0 | P +");

    // The switch runs as a job: the window takes no click, reads no reply
    // and shows the job's progress on the timer's ticks, until it has ended.
    files_.held.clear();
    box_.shown.clear();
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
    EXPECT_EQ(rig_.install.ReadMagic() + " " + s.lblStatus, "599925 Patching.... 100%");
    rig_.form->JobFinished();
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(painted,
              (std::vector<std::string>{kPatching, "Patching.... 0%", "Patching.... 100%"}));
    EXPECT_EQ(Seen(s), "Patched & Ready to Launch! | v1.0.1 v1.0.1 | L +");
    EXPECT_EQ(rig_.form->Doing(), Activity::Idle);

    // No thread to be had: the switch runs in the click itself.
    rig_.stepJobs.refuse = true;
    s.lblClientVersion = "v1.0.0";
    rig_.form->lblPatchMe_Click();
    EXPECT_EQ(rig_.install.ReadMagic() + " " + s.lblStatus, "599925 Patched & Ready to Launch!");

    // A job that stops half-way leaves its journal, which the next start undoes.
    s.lblClientVersion = "v1.0.0";
    files_.duringCopy = [] { throw std::bad_alloc(); };
    rig_.form->lblPatchMe_Click();
    EXPECT_EQ(s.lblStatus, kPatchNotUndone);
    EXPECT_NE(box_.shown.at(0).text.find("The switch stopped: std::bad_alloc. Start Quorin again"),
              std::string::npos);
}

TEST_F(Form1Test, WithoutTheRightsAnElevatedCopySwitchesAndItsWordsAreShown) {
    rig_.Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    rig_.scriptedElevation.needed = true;
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    EXPECT_EQ(rig_.scriptedElevation.probes, 0); // nothing to recover: the rights not probed
    // A switch that its own checks refuse asks for no rights: the patch
    // store, the game folder or the game's key missing.
    for (const char* moved : {"C:\\Tool\\Patch Files", "C:\\JA\\GameData"}) {
        files_.Rename(moved, "C:\\Away");
        rig_.Patch();
        files_.Rename("C:\\Away", moved);
    }
    registry_.DeleteKeyTree(kGameBaseKey);
    rig_.Patch();
    rig_.Install(kMagic100);
    s.lblClientVersion = "v1.0.0"; // as the next reply shows it again
    EXPECT_EQ(rig_.scriptedElevation.runs.size(), 0u);
    EXPECT_EQ(box_.shown.size(), 3u);
    EXPECT_EQ(s.lblStatus, kPatchFailed);
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

    // At start-up, an unfinished switch is put back by an elevated copy too,
    // before any reply is read.
    files_.File("C:\\JA\\GameData\\Quorin switch\\journal.txt", FormatJournal({0u, {}, {}, {}}));
    rig_.scriptedElevation.copy = [&](const Transaction& t, Progress) {
        EXPECT_TRUE(t.recoverOnly);
        return ElevatedRun{0,
                           FormatPatchResult({VersionSwitch(files_, rig_.install).Recover(), {}})};
    };
    box_.shown.clear();
    rig_.Start(kAddress);
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
    rig_.form->Timer1_Timer();
    EXPECT_EQ(rig_.form->Doing(), Activity::Switching);
    EXPECT_EQ(sockets_.arrivals.size(), 1u);
    rig_.form->JobFinished();
    EXPECT_EQ(box_.shown.at(0).caption, "Version switch undone");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\Quorin switch").exists);

    // The installed version is read only once that copy has ended: a switch
    // begun without a marker is put back to none, and only then does the
    // marker start as jamp.exe says.
    rig_.Install(std::nullopt);
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
    rig_.Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    rig_.scriptedElevation.markerNeeded = true;
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    rig_.Patch();
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe") + " " + s.lblStatus,
              "client 100 Patch failed! Nothing changed.");
    rig_.scriptedElevation.copy = [&](const Transaction& t, const std::function<void(int)>&) {
        rig_.install.WriteMagic(static_cast<std::int32_t>(t.marker.value_or(1)));
        return ElevatedRun{kTransactionReported, {}};
    };
    rig_.Patch();
    const Transaction markerStep{false, {}, 599925u};
    EXPECT_EQ(rig_.scriptedElevation.runs, (std::vector<Transaction>{markerStep, markerStep}));
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe") + " " + rig_.install.ReadMagic() + " " +
                  s.lblStatus,
              "client 101 599925 Patched & Ready to Launch!");
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
    EXPECT_EQ(rig_.install.ReadMagic() + " " + Seen(s), "0 Needs patched! | v1.0.1 v1.0.0 | P +");
    box_.answer = true;
    rig_.Patch();
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\Quorin switch (kept 1)\\0"),
              "the player's original");
    EXPECT_EQ(rig_.install.ReadMagic() + " " + Seen(s),
              "599925 Patched & Ready to Launch! | v1.0.1 v1.0.1 | L +");
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
    EXPECT_EQ(f.Controls().lblStatus + " " + std::to_string(f.Doing() == Activity::Idle),
              std::string(kQuerying) + " 1");
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

    files_.nodes.clear(); // the game gone
    f.cmdLaunch_Click();
    EXPECT_EQ(box_.shown.back(),
              (RecordingBox::Shown{"Shutting down..", "Cant find your JKA executable!", 16}));
    EXPECT_TRUE(f.Ended());
    EXPECT_EQ(launcher.started.size(), 2u);
}

} // namespace
} // namespace quorin
