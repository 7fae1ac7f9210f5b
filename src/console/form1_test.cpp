// The main window's workflow: start-up, the query cycle, error reporting and
// the details panel, over a scripted Winsock and the in-memory registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "console/form1.h"
#include "install/registry_value.h"
#include "net/status_reply.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

using test::RecordingBox;
const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse\n", 19);

std::string Reply(const std::string& version, const std::string& extra = "") {
    return kHeader + "\\sv_hostname\\Test\\version\\" + version + extra + "\n0 0 \"p\"\n";
}

class ScriptedDialog : public IServerDialog {
  public:
    std::function<bool(AddressHomes)> answer = [](AddressHomes) { return true; };
    int shown = 0;
    bool ShowModal(AddressHomes homes) override {
        ++shown;
        return answer(homes);
    }
};

class Form1Test : public ::testing::Test {
  protected:
    void Install(std::optional<std::int32_t> magic) {
        registry_.CreateKey(kGameVersionKey);
        const std::string path = "C:\\JA";
        registry_.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz,
                         ByteArray(path.c_str(), path.c_str() + path.size() + 1));
        if (magic) {
            ByteArray bytes(4);
            for (int i = 0; i < 4; ++i)
                bytes[i] = static_cast<std::uint8_t>(*magic >> (8 * i));
            registry_.PutRaw(kGameVersionKey, kMagicValue, kRegDword, bytes);
        }
    }
    Form1& Load(const std::string& commandLine) {
        form_ = std::make_unique<Form1>(
            Form1Services{box_, dialog_, process_, udp_, install_, files_}, commandLine);
        form_->Form_Load();
        return *form_;
    }
    // A started tool that has received `datagram`.
    Form1Controls& Answered(const std::string& datagram) {
        Form1& f = form_ ? *form_ : Load("+connect 127.0.0.1:29070");
        sockets_.Arrive(datagram);
        f.Timer1_Timer();
        return f.Controls();
    }

    test::MemoryRegistry registry_;
    InstallRecord install_{registry_};
    test::ScriptedSockets sockets_;
    PortableGuidText guids_;
    UdpLayer udp_{sockets_, guids_};
    RecordingBox box_;
    ScriptedDialog dialog_;
    test::RecordingProcess process_;
    test::MemoryFiles files_;
    std::unique_ptr<Form1> form_;
};

TEST_F(Form1Test, WithoutTheGameItSaysSoAndEnds) {
    Form1& f = Load("+connect 127.0.0.1:29070");
    EXPECT_EQ(box_.shown, (std::vector<RecordingBox::Shown>{
                              {"Please install JKA!", "Can't Locate JKA!", kMbOk}}));
    EXPECT_TRUE(f.Ended());
    EXPECT_EQ(process_.ends, 1);
    EXPECT_TRUE(sockets_.connects.empty());
}

TEST_F(Form1Test, TakesTheAddressFromTheCommandLine) {
    const struct {
        const char* line;
        const char* ip;
        const char* port;
        int connectedPort; // 0: not connected
    } cases[] = {
        {"+connect 192.168.1.20:5000", "192.168.1.20", "5000", 5000},
        {"x y:1", "y", "1", 1},
        {"+connect gameserver:5000 extra words", "gameserver", "5000", 5000}, // looked up by name
        {"+connect 10.0.0.1", "10.0.0.1", "29070", 29070},
        {"+connect 127.0.0.1:40000", "127.0.0.1", "40000", 40000},
    };
    for (const auto& c : cases) {
        Install(kMagic101);
        sockets_.connects.clear();
        sockets_.sent.clear();
        Form1& f = Load(c.line);
        EXPECT_EQ(f.Controls().lblIP, c.ip) << c.line;
        EXPECT_EQ(f.Controls().lblPort, c.port) << c.line;
        EXPECT_EQ(f.ServerIP, c.ip);
        EXPECT_EQ(dialog_.shown, 0) << c.line;
        if (c.connectedPort) {
            ASSERT_EQ(sockets_.connects.size(), 1u) << c.line;
            EXPECT_EQ(sockets_.connects[0].second, c.connectedPort);
            EXPECT_TRUE(f.Controls().cmdQueryEnabled);
            EXPECT_EQ(f.Controls().lblStatus, kQuerying);
            EXPECT_EQ(sockets_.sent, std::vector<std::string>{std::string(kStatusRequest)});
        } else {
            EXPECT_FALSE(f.Controls().cmdQueryEnabled) << c.line;
            EXPECT_EQ(f.SocketCount, 0);
        }
        EXPECT_FALSE(f.Ended()) << c.line;
    }
    EXPECT_EQ(sockets_.lookedUp, (std::vector<std::string>{"y", "gameserver"}));
}

TEST_F(Form1Test, ABadAddressIsExplainedAndTheWindowStays) {
    const std::pair<const char*, const char*> cases[] = {
        {"+connect a:b:c", "The server port \"b\" is not a whole number from 1 to 65535."},
        {"+connect 1.2.3.4:0", "The server port \"0\" is not a whole number from 1 to 65535."},
        {"+connect 1.2.3.4:70000", "The server port \"70000\" is not a whole number from 1 to 65535."},
        {"+connect :5000", "No server IP to connect to: start Quorin with +connect host:port."},
    };
    Install(kMagic101);
    for (const auto& [line, text] : cases) {
        box_.shown.clear();
        Form1& f = Load(line);
        ASSERT_EQ(box_.shown.size(), 1u) << line;
        EXPECT_EQ(box_.shown[0].text, text);
        EXPECT_EQ(box_.shown[0].caption, "");
        EXPECT_FALSE(f.Controls().cmdQueryEnabled);
        EXPECT_FALSE(f.Ended());
        f.Timer1_Timer(); // no polling without a connected socket
    }
    EXPECT_TRUE(sockets_.connects.empty());
    EXPECT_TRUE(sockets_.sent.empty());
}

TEST_F(Form1Test, AsksForTheAddressWhenTheCommandLineHasNone) {
    Install(kMagic101);
    dialog_.answer = [](AddressHomes h) {
        h.serverIP = h.lblIP = "127.0.0.1";
        h.serverPort = h.lblPort = "29071";
        return true;
    };
    for (const char* line : {"", "abcd", "+connect"}) {
        dialog_.shown = 0;
        Form1& f = Load(line);
        EXPECT_EQ(dialog_.shown, 1) << line;
        EXPECT_EQ(f.Controls().lblPort, "29071");
        EXPECT_TRUE(f.Controls().cmdQueryEnabled) << line;
    }
    dialog_.answer = [](AddressHomes h) { return h.serverIP = "x", true; };
    Form1& f = Load("");
    EXPECT_EQ(box_.shown.back(), (RecordingBox::Shown{"No IP to connect to!", "", kMbOk}));
    EXPECT_TRUE(f.Ended());
    dialog_.answer = [](AddressHomes) { return false; }; // gave up: the dialog ended the tool
    EXPECT_TRUE(Load("").Ended());
}

TEST_F(Form1Test, WinsockFailuresAtStartUp) {
    Install(kMagic101);
    sockets_.startup = 10091;
    EXPECT_TRUE(Load("+connect 1.2.3.4:5").Ended());
    EXPECT_EQ(box_.shown.back(), (RecordingBox::Shown{"Network subsystem is unavailable.",
                                                      "Winsock error", 48}));
    sockets_.startup = 0;
    sockets_.socketError = 10024;
    EXPECT_TRUE(Load("+connect 1.2.3.4:5").Ended());
    EXPECT_EQ(box_.shown.back().text, "Too many open files.");
    sockets_.socketError = 0;
    Form1& f = Load("+connect unresolvable:5");
    EXPECT_FALSE(f.Ended());
    EXPECT_EQ(box_.shown.back().text, "Host not found.");
    EXPECT_FALSE(f.Controls().cmdQueryEnabled);
}

TEST_F(Form1Test, TheVerdictComparesServerAndClientVersions) {
    const struct {
        std::optional<std::int32_t> magic;
        std::string version;
        const char* server;
        const char* client;
        bool ready;
    } cases[] = {
        {kMagic101, "JAmp: v1.0.1.0 win-x86 Oct 24 2003", "v1.0.1", "v1.0.1", true},
        {kMagic100, "JAmp: v1.0.1.0 win-x86 Oct 24 2003", "v1.0.1", "v1.0.0", false},
        {std::nullopt, "JAmp: v1.0.1.0 x", "v1.0.1", "v1.0.0", false}, // created as 0
        {123, "JAmp: v1.0.1.0 x", "v1.0.1", "v1.0.1", true},
        {kMagic101, "JAmp: V1.0.1.0 x", "V1.0.1", "v1.0.1", false},
        {kMagic100, "JAmp: v1.0.0.0 x", "v1.0.0", "v1.0.0", true},
        // An engine naming its own version is named by its protocol.
        {kMagic100, "OpenJK-MP: 1.0.1.1 linux\\protocol\\25", "v1.0.0", "v1.0.0", true},
        {kMagic101, "ioq3 1.36+u2022 linux", "1.36+u", "v1.0.1", false},
    };
    for (const auto& c : cases) {
        registry_.DeleteKeyTree(kGameBaseKey);
        Install(c.magic);
        form_.reset();
        const Form1Controls& s = Answered(Reply(c.version));
        EXPECT_EQ(s.lblSVRVersion, c.server) << c.version;
        EXPECT_EQ(s.lblClientVersion, c.client) << c.version;
        EXPECT_EQ(s.lblStatus, c.ready ? kReadyToLaunch : kNeedsPatched) << c.version;
        EXPECT_EQ(s.cmdLaunchVisible, c.ready) << c.version;
        EXPECT_EQ(s.cmdLaunchEnabled, c.ready) << c.version;
        EXPECT_EQ(s.lblPatchMeVisible, !c.ready) << c.version;
        EXPECT_TRUE(s.cmdExpandEnabled);
    }
}

TEST_F(Form1Test, ListsFillRowForRowAndLaterDatagramsReplaceThem) {
    Install(kMagic101);
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x", "\\g_gametype\\0"));
    EXPECT_EQ(s.lstSVRVariable, (std::vector<std::string>{"sv_hostname", "version", "g_gametype"}));
    EXPECT_EQ(s.lstSVRValue[2], "0\n0 0 \"p\"\n");
    EXPECT_EQ(s.scrollMax, 3);
    EXPECT_EQ(s.variableSelected, 0);
    EXPECT_EQ(s.valueSelected, 0);

    Answered(kHeader); // header, no backslash
    EXPECT_TRUE(s.lstSVRVariable.empty());
    EXPECT_EQ(s.variableSelected, -1);
    EXPECT_EQ(s.lblStatus, kReadyToLaunch); // against the version still shown
    EXPECT_EQ(s.scrollMax, 0);

    Answered("\\sv_hostname\\no header");
    EXPECT_TRUE(s.lstSVRValue.empty());
    EXPECT_EQ(s.lblStatus, kNoResults);
    EXPECT_FALSE(s.cmdLaunchVisible);
    EXPECT_EQ(s.lblSVRVersion, "v1.0.1");
    EXPECT_TRUE(s.cmdExpandEnabled); // left as it was
}

TEST_F(Form1Test, QueuedDatagramsAreHandledOnePerTick) {
    Install(kMagic101);
    Form1& f = Load("+connect 127.0.0.1:29070");
    sockets_.Arrive(Reply("JAmp: v1.0.0.0 x"));
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
    f.Timer1_Timer();
    EXPECT_EQ(f.Controls().lblSVRVersion, "v1.0.0");
    f.Timer1_Timer();
    EXPECT_EQ(f.Controls().lblSVRVersion, "v1.0.1");
    f.cmdQuery_Click();
    EXPECT_EQ(f.Controls().lblStatus, kQuerying);
    f.Timer1_Timer(); // nothing arrives: the status stays
    EXPECT_EQ(f.Controls().lblStatus, kQuerying);
    EXPECT_EQ(sockets_.sent.size(), 2u);
}

TEST_F(Form1Test, ShowErrorMessage) {
    Install(kMagic101);
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    const struct {
        int code;
        const char* box; // nullptr: no box
    } cases[] = {
        {10054, nullptr},
        {10061, "Connection refused."},
        {0, "Unknown error."},
        {10059, "Unknown error."},
        {10052, "Network dropped connection on reset."},
        {10040, "Message too long."},
    };
    for (const auto& c : cases) {
        box_.shown.clear();
        s.cmdExpandEnabled = true;
        s.lblStatus = "before";
        sockets_.Fail(c.code);
        form_->Timer1_Timer();
        EXPECT_FALSE(s.cmdExpandEnabled) << c.code;
        if (c.box) {
            EXPECT_EQ(box_.shown, (std::vector<RecordingBox::Shown>{{c.box, "Winsock error", 48}}));
            EXPECT_EQ(s.lblStatus, "before");
        } else {
            EXPECT_TRUE(box_.shown.empty());
            EXPECT_EQ(s.lblStatus, kNotResponding);
        }
        // Lists, versions and buttons keep what the reply set.
        EXPECT_EQ(s.lstSVRVariable.size(), 2u);
        EXPECT_TRUE(s.cmdLaunchVisible);
    }
}

TEST_F(Form1Test, AReplyArrivingWhileAWarningBoxIsOpen) {
    // The timer keeps ticking inside a box's own message loop.
    class TickingBox : public IMessageBox {
      public:
        std::function<void()> tick;
        int shown = 0;
        void Show(const std::string&, const std::string&, unsigned) override {
            ++shown;
            if (tick)
                tick();
        }
    } box;
    Install(kMagic101);
    form_ = std::make_unique<Form1>(Form1Services{box, dialog_, process_, udp_, install_, files_},
                                    "+connect 127.0.0.1:29070");
    form_->Form_Load();
    box.tick = [this] { form_->Timer1_Timer(); };
    sockets_.Fail(10061);
    sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
    form_->Timer1_Timer();
    const Form1Controls& s = form_->Controls();
    EXPECT_EQ(box.shown, 1);
    EXPECT_EQ(s.lblStatus, kReadyToLaunch); // the reply was read inside the box
    EXPECT_EQ(s.lstSVRVariable.size(), 2u);
    EXPECT_FALSE(s.cmdExpandEnabled);       // the error report finished last
    EXPECT_TRUE(sockets_.arrivals.empty());
}

TEST_F(Form1Test, ExpandScrollAndSelection) {
    Install(kMagic101);
    std::string extra;
    for (int i = 0; i < 10; ++i)
        extra += "\\v" + std::to_string(i) + "\\" + std::to_string(i);
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x", extra)); // 12 rows
    ASSERT_EQ(s.lstSVRValue.size(), 12u);
    for (int v = 0; v < 12; ++v) {
        form_->VScroll1_Change(v);
        EXPECT_EQ(s.variableSelected, v);
        EXPECT_EQ(s.valueSelected, v);
    }
    form_->VScroll1_Change(12); // the last position changes nothing
    EXPECT_EQ(s.variableSelected, 11);
    form_->lstSVRVariable_Click(3);
    EXPECT_EQ(s.valueSelected, 3);
    EXPECT_EQ(s.scrollValue, 12);
    form_->lstSVRValue_Click(5);
    EXPECT_EQ(s.variableSelected, 5);

    EXPECT_FALSE(s.Expanded());
    form_->cmdExpand_Click();
    EXPECT_EQ(s.cmdExpandCaption, "-");
    form_->cmdExpand_Click();
    EXPECT_EQ(s.cmdExpandCaption, "+");
}

TEST_F(Form1Test, UnloadClosesTheSocketOnce) {
    Install(kMagic101);
    Form1& f = Load("+connect 127.0.0.1:29070");
    f.Form_Unload();
    EXPECT_EQ(sockets_.closes, 1);
    EXPECT_EQ(f.SocketCount, 0);
    EXPECT_EQ(process_.ends, 1);
    registry_.DeleteKeyTree(kGameBaseKey);
    Load("").Form_Unload(); // no game: nothing was created, nothing is closed
    EXPECT_EQ(sockets_.closes, 1);
}

TEST(PlanSwitch, TheDirectionComesFromTheClientLabelAlone) {
    const SwitchPlan up = PlanSwitch("v1.0.0", "C:\\Tool", "C:\\JA");
    EXPECT_EQ(up.marker, 599925);
    EXPECT_FALSE(up.deleteIfPresent);
    EXPECT_EQ(up.copies, (std::vector<CopyStep>{
                             {"C:\\Tool\\Patch Files\\101\\*.*", "C:\\JA\\GameData\\"},
                             {"C:\\Tool\\Patch Files\\101\\base\\*.*", "C:\\JA\\GameData\\base\\"}}));
    for (const char* other : {"v1.0.1", "V1.0.0", " ", ""}) {
        const SwitchPlan down = PlanSwitch(other, "C:\\Tool", "C:\\JA\\");
        EXPECT_EQ(down.marker, 0) << other;
        EXPECT_EQ(down.deleteIfPresent, "C:\\JA\\\\GameData\\Base\\assets3.pk3"); // not normalised
        EXPECT_EQ(down.copies, (std::vector<CopyStep>{{"C:\\Tool\\Patch Files\\100\\*.*",
                                                       "C:\\JA\\\\GameData\\"}}));
    }
}

TEST_F(Form1Test, ASwitchThatCompletesOffersLaunch) {
    Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client");
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    ASSERT_EQ(s.lblStatus, kNeedsPatched);
    std::vector<std::string> painted;
    form_->Repaint = [&] { painted.push_back(s.lblStatus); };
    form_->lblPatchMe_Click();
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(painted, (std::vector<std::string>{kPatching, "Patching.... 0%", "Patching.... 100%"}));
    EXPECT_EQ(install_.ReadMagic(), "599925");
    EXPECT_EQ(s.lblClientVersion, "v1.0.1");
    EXPECT_EQ(s.lblStatus, kPatchedReady);
    EXPECT_FALSE(s.lblPatchMeVisible);
    EXPECT_TRUE(s.cmdLaunchVisible && s.cmdLaunchEnabled);
}

TEST_F(Form1Test, AFailedSwitchSaysWhyAndShowsTheInstallationAsItIs) {
    // The timer keeps ticking inside the box's own message loop, with a reply waiting.
    class TickingBox : public RecordingBox {
      public:
        std::function<void()> tick;
        void Show(const std::string& text, const std::string& caption, unsigned style) override {
            RecordingBox::Show(text, caption, style);
            if (tick)
                tick();
        }
    } box;
    Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
    files_.held.insert("c:\\ja\\gamedata\\jamp.exe");
    form_ = std::make_unique<Form1>(Form1Services{box, dialog_, process_, udp_, install_, files_},
                                    "+connect 127.0.0.1:29070");
    form_->Form_Load();
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    box.tick = [this] {
        sockets_.Arrive(Reply("JAmp: v1.0.1.0 x"));
        form_->Timer1_Timer();
    };
    form_->lblPatchMe_Click();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, "Patch failed");
    EXPECT_NE(box.shown[0].text.find("\"C:\\JA\\GameData\\jamp.exe\" is in use"), std::string::npos);
    EXPECT_EQ(install_.ReadMagic(), "0");
    EXPECT_EQ(s.lblClientVersion, "v1.0.0");
    EXPECT_EQ(s.lblStatus, kPatchFailed);
    EXPECT_TRUE(s.lblPatchMeVisible);
    EXPECT_FALSE(s.cmdLaunchVisible);
    EXPECT_EQ(sockets_.arrivals.size(), 1u); // not read while the switch had the window
}

TEST_F(Form1Test, ARefusedMarkerEndsTheToolWithNothingTouched) {
    Install(kMagic100);
    files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client");
    const auto before = files_.nodes;
    Form1Controls& s = Answered(Reply("JAmp: v1.0.1.0 x"));
    registry_.MakeReadOnly(kGameVersionKey);
    form_->lblPatchMe_Click();
    EXPECT_EQ(box_.shown.back(), (RecordingBox::Shown{"Reinstall JKA!", "Registry Error!", 16}));
    EXPECT_EQ(files_.nodes, before);
    EXPECT_TRUE(form_->Ended());
    EXPECT_NE(s.lblStatus, kPatchedReady);
}

TEST_F(Form1Test, LaunchPassesTheToolsOwnArguments) {
    Install(kMagic101);
    Form1& f = Load("+connect 127.0.0.1:29070 +set name x");
    files_.File("C:\\JA\\GameData\\jamp.exe", "client");
    f.Controls().lblPatchMeVisible = true;
    f.cmdLaunch_Click();
    EXPECT_EQ(files_.started, (std::vector<LaunchRequest>{{"Open", "jamp.exe",
                                                           "+connect 127.0.0.1:29070 +set name x",
                                                           "C:\\JA\\GameData"}}));
    EXPECT_FALSE(f.Controls().lblPatchMeVisible);
    EXPECT_FALSE(f.Ended());

    files_.nodes.clear();
    f.cmdLaunch_Click();
    EXPECT_EQ(box_.shown.back(),
              (RecordingBox::Shown{"Shutting down..", "Cant find your JKA executable!", 16}));
    EXPECT_TRUE(f.Ended());
    EXPECT_EQ(files_.started.size(), 1u);
}

} // namespace
} // namespace quorin
