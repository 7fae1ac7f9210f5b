// The main window's workflow at start-up: the game's key, the server's
// address from the command line or the settings, the installed version, and
// what stops it with a word.
#include <gtest/gtest.h>

#include "console/form1.h"
#include "net/status_reply.h"
#include "tests/support/form1_fixture.h"

namespace quorin::test {
namespace {

TEST_F(Form1Test, WithoutTheGameItSaysSoAndEndsHavingMadeNothing) {
    rig_.Start(kAddress).Form_Unload();
    EXPECT_EQ(box_.shown, (std::vector<RecordingBox::Shown>{
                              {"Please install JKA!", "Can't Locate JKA!", kMbOk}}));
    EXPECT_TRUE(rig_.form->Ended());
    EXPECT_EQ(sockets_.closes, 0); // nothing made, nothing closed
    EXPECT_TRUE(sockets_.connects.empty());
    EXPECT_EQ(rig_.process.ends, 2); // at start-up, and at unload
}

TEST_F(Form1Test, UnloadClosesTheSocketItMade) {
    rig_.Install(kMagic101);
    Form1& f = rig_.Start(kAddress);
    f.Form_Unload();
    EXPECT_EQ(sockets_.closes, 1);
    EXPECT_EQ(f.SocketCount, 0);
}

TEST_F(Form1Test, TakesTheAddressFromTheCommandLineOrAsksForIt) {
    rig_.dialog.answer = [](ServerAddressRefs a) {
        a.serverIP = a.lblIP = "127.0.0.1";
        a.serverPort = a.lblPort = "29071";
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
}

TEST_F(Form1Test, SettingsThatGiveNoAddressEndTheTool) {
    rig_.Install(kMagic101);
    using Shown = std::vector<RecordingBox::Shown>;
    const struct {
        std::function<bool(ServerAddressRefs)> answer; // none: the player gave up
        Shown told;
    } cases[] = {
        {[](ServerAddressRefs a) { return a.serverPort = "5", true; }, // no IP
         Shown{{"No IP to connect to!", "", kMbOk}}},
        {nullptr, Shown{}}, // the dialog itself ended the tool and said why
    };
    for (const auto& c : cases) {
        box_.shown.clear();
        rig_.dialog.answer = c.answer;
        EXPECT_TRUE(rig_.Start("").Ended()) << c.told.size();
        EXPECT_EQ(box_.shown, c.told);
    }
    EXPECT_TRUE(sockets_.connects.empty());
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
    EXPECT_EQ(box_.shown[0].caption, "Winsock error");
    EXPECT_EQ(box_.shown[0].style, kMbOk | kMbIconExclamation);
    EXPECT_TRUE(sockets_.connects.empty());
    EXPECT_TRUE(sockets_.sent.empty());
}

// A name never holds a colon: only hex digits and colons are IPv6.
TEST(BadAddressText, TellsAColonInAHostAsIPv6OnlyInHexDigits) {
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

} // namespace
} // namespace quorin::test
