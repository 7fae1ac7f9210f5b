// The real main window under Wine: start-up and queries against real
// servers on loopback, the details panel's geometry at two DPIs, and the two
// dialogs driven as a player would.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "common/win32/message_box_win32.h"

#include <shellapi.h>

#include "console/win32/form1_window.h"
#include "dialogs/win32/dialog_windows.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"
#include "net/win32/winsock_api.h"
#include "tests/support/peer_ports.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/window_driver.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

class Form1WindowTest : public test::LiveServicesTest {
  protected:
    void TearDown() override {
        rig_.Stop();
        window_.reset();
        LiveServicesTest::TearDown();
    }
    void Install(std::int32_t magic, const std::string& path = "C:\\Games\\Jedi Academy") {
        rig_.Install(magic, path);
    }
    // The workflow in its real window, started up and shown.
    void Start(const std::string& commandLine, IServerDialog* dialog = nullptr,
               IMessageBox* box = nullptr) {
        Form1& form = rig_.Create(commandLine, box, dialog ? dialog : &dialog_);
        window_ = std::make_unique<win32::Form1Window>(
            form, win32::Form1Window::Hooks{[this] { about_.ShowModal(window_->Handle()); }});
        ASSERT_TRUE(window_->Create());
        files_.SetOwner(window_->Handle());
        form.Repaint = [this] { window_->PaintNow(); };
        form.Form_Load();
        if (!form.Ended())
            window_->Show();
    }
    std::string Text(int id) { return win32::WindowText(window_->Control(id)); }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
        return test::PumpUntil(done, timeout, [this](MSG& m) { return window_->PreTranslate(m); });
    }
    bool WaitForStatus(const std::string& status) {
        return Pump([&] { return Text(kIdStatus) == status; });
    }
    std::vector<std::string> Rows(int id) {
        HWND list = window_->Control(id);
        std::vector<std::string> rows;
        const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char row[1024] = {};
            ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row));
            rows.push_back(row);
        }
        return rows;
    }
    int Selected(int id) {
        return static_cast<int>(::SendMessageA(window_->Control(id), LB_GETCURSEL, 0, 0));
    }
    bool Visible(int id) { return ::IsWindowVisible(window_->Control(id)) != FALSE; }
    bool Enabled(int id) { return ::IsWindowEnabled(window_->Control(id)) != FALSE; }
    double OuterHeightTwips() {
        RECT r{};
        ::GetWindowRect(window_->Handle(), &r);
        return PixelsToTwips(r.bottom - r.top, window_->Dpi());
    }

    win32::ServerDialogWindow dialog_{box_, rig_.process};
    win32::AboutBox about_;
    std::unique_ptr<win32::Form1Window> window_;
};

TEST_F(Form1WindowTest, TheVerdictAgainstTheStandIn) {
    QUORIN_PEER_PORT(port, "v101");
    for (const std::int32_t magic : {kMagic101, kMagic100}) {
        Install(magic);
        Start("+connect 127.0.0.1:" + std::to_string(port));
        const bool ready = magic == kMagic101;
        ASSERT_TRUE(WaitForStatus(ready ? kReadyToLaunch : kNeedsPatched)) << Text(kIdStatus);
        EXPECT_EQ(Text(kIdIP), "127.0.0.1");
        EXPECT_EQ(Text(kIdPort), std::to_string(port));
        EXPECT_EQ(Text(kIdServerVersion), "v1.0.1");
        EXPECT_EQ(Text(kIdClientVersion), ready ? "v1.0.1" : "v1.0.0");
        EXPECT_EQ(Visible(kIdLaunch), ready);
        EXPECT_EQ(Visible(kIdPatch), !ready);
        EXPECT_TRUE(Enabled(kIdExpand));
        const auto names = Rows(kIdVariables);
        ASSERT_GE(names.size(), 8u);
        EXPECT_EQ(names[0], "sv_hostname");
        EXPECT_EQ(Rows(kIdValues)[0], "^4Stand-in ^71.0.1");
        EXPECT_EQ(Selected(kIdVariables), 0);
        EXPECT_EQ(Selected(kIdValues), 0);
        TearDown();
    }
}

TEST_F(Form1WindowTest, NoListenerAndNoHeader) {
    QUORIN_PEER_PORT(noheader, "noheader");
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(noheader));
    ASSERT_TRUE(WaitForStatus(kNoResults)) << Text(kIdStatus);
    EXPECT_TRUE(Rows(kIdVariables).empty());
    TearDown();

    // A port nothing listens on: the port of a socket just closed.
    const int closedPort = test::FreeLoopbackUdpPort();
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(closedPort));
    ASSERT_TRUE(WaitForStatus(kNotResponding)) << Text(kIdStatus);
    EXPECT_FALSE(Enabled(kIdExpand));
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(Form1WindowTest, ExpandsBetweenTheDesignHeights) {
    QUORIN_PEER_PORT(port, "v101");
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
    if (const char* expected = std::getenv("QUORIN_EXPECT_DPI")) {
        ASSERT_EQ(window_->Dpi(), std::atoi(expected));
    }
    const double pixel = PixelsToTwips(1, window_->Dpi());
    EXPECT_NEAR(OuterHeightTwips(), kForm1CollapsedHeight, pixel);
    RECT client{};
    ::GetClientRect(window_->Handle(), &client);
    EXPECT_NEAR(PixelsToTwips(client.right, window_->Dpi()), kForm1ClientWidth, pixel);

    ::SendMessageA(window_->Control(kIdExpand), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(kIdExpand), "-");
    EXPECT_NEAR(OuterHeightTwips(), kForm1ExpandedHeight, pixel);
    // The status bar moved down with the bottom edge, below the lists.
    ::GetClientRect(window_->Handle(), &client);
    RECT bar{};
    RECT list{};
    ::GetWindowRect(window_->Control(kIdStatusBar), &bar);
    ::GetWindowRect(window_->Control(kIdValues), &list);
    POINT bottom{0, client.bottom};
    ::ClientToScreen(window_->Handle(), &bottom);
    EXPECT_EQ(bar.bottom, bottom.y);
    EXPECT_LE(list.bottom, bar.top);

    ::SendMessageA(window_->Control(kIdExpand), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(kIdExpand), "+");
    EXPECT_NEAR(OuterHeightTwips(), kForm1CollapsedHeight, pixel);
}

TEST_F(Form1WindowTest, ExpandsTheSameAt144Dpi) {
    // Wine reads the DPI when a process starts: run the geometry test again
    // in a child process with the prefix set to 144 DPI.
    HKEY desktop = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS,
                              &desktop),
              ERROR_SUCCESS);
    const DWORD dpi144 = 144;
    const DWORD dpi96 = 96;
    ::RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi144),
                     sizeof dpi144);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self +
                          "\" --gtest_filter=Form1WindowTest.ExpandsBetweenTheDesignHeights";
    ::SetEnvironmentVariableA("QUORIN_EXPECT_DPI", "144");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                          nullptr, nullptr, &startup, &child);
    DWORD exitCode = 1;
    if (started) {
        ::WaitForSingleObject(child.hProcess, 60000);
        ::GetExitCodeProcess(child.hProcess, &exitCode);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
    }
    ::SetEnvironmentVariableA("QUORIN_EXPECT_DPI", nullptr);
    ::RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi96),
                     sizeof dpi96);
    ::RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(Form1WindowTest, TheScrollBarSelectsInBothListsAndClicksSync) {
    QUORIN_PEER_PORT(port, "v101");
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
    const int rows = static_cast<int>(Rows(kIdValues).size());
    HWND scroll = window_->Control(kIdScroll);
    for (int v = 1; v < rows; ++v) {
        ::SendMessageA(window_->Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(scroll));
        EXPECT_EQ(::GetScrollPos(scroll, SB_CTL), v);
        EXPECT_EQ(Selected(kIdVariables), v);
        EXPECT_EQ(Selected(kIdValues), v);
    }
    // The last position, one past the rows, leaves the selection alone.
    ::SendMessageA(window_->Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(scroll));
    EXPECT_EQ(::GetScrollPos(scroll, SB_CTL), rows);
    EXPECT_EQ(Selected(kIdValues), rows - 1);

    // A click in one list selects the same row in the other.
    HWND variables = window_->Control(kIdVariables);
    ::SendMessageA(variables, LB_SETCURSEL, 3, 0);
    ::SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(kIdVariables, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(variables));
    EXPECT_EQ(Selected(kIdValues), 3);
    EXPECT_EQ(::GetScrollPos(scroll, SB_CTL), rows);
}

TEST_F(Form1WindowTest, StatusTextShowsAmpersandsAndStaysCentred) {
    QUORIN_PEER_PORT(port, "v101");
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
    rig_.Controls().lblStatus = "Patched & Ready to Launch!";
    window_->Sync();
    EXPECT_EQ(Text(kIdStatus), "Patched & Ready to Launch!");
    EXPECT_TRUE(::GetWindowLongA(window_->Control(kIdStatus), GWL_STYLE) & SS_NOPREFIX);
    RECT bar{};
    RECT label{};
    ::GetClientRect(window_->Control(kIdStatusBar), &bar);
    ::GetWindowRect(window_->Control(kIdStatus), &label);
    POINT origin{0, 0};
    ::ClientToScreen(window_->Control(kIdStatusBar), &origin);
    const int left = label.left - origin.x;
    const int right = bar.right - (label.right - origin.x);
    EXPECT_LE(std::abs(left - right), 1) << left << " " << right;
}

TEST_F(Form1WindowTest, ServerSettingsOkThenCancelWithoutAnAddress) {
    QUORIN_PEER_PORT(port, "v101");
    Install(kMagic101);
    {
        // Typed with spaces, then OK: the trimmed address is queried.
        test::WindowWatcher typing("Server Settings", [port](HWND dialog) {
            ::SendMessageA(::GetDlgItem(dialog, kIdTxtIP), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>("  127.0.0.1  "));
            const std::string portText = std::to_string(port);
            ::SendMessageA(::GetDlgItem(dialog, kIdTxtPort), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(portText.c_str()));
            test::PostClick(dialog, kIdOK);
        });
        Start("");
        ASSERT_TRUE(typing.Acted());
    }
    EXPECT_EQ(Text(kIdIP), "127.0.0.1");
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch)) << Text(kIdStatus);
    TearDown();

    // Cancel with nothing typed: the real box, then the tool ends.
    win32::Win32MessageBox realBox;
    win32::ServerDialogWindow realDialog(realBox, rig_.process);
    std::string boxText;
    test::WindowWatcher cancel("Server Settings",
                               [](HWND dialog) { test::PostClick(dialog, kIdCancel); });
    test::WindowWatcher box("Server IP & Port required!", [&boxText](HWND found) {
        boxText = test::MessageBoxText(found);
        ::PostMessageA(found, WM_COMMAND, IDOK, 0);
    });
    const int endsBefore = rig_.process.ends;
    Install(kMagic101);
    Start("", &realDialog);
    EXPECT_EQ(boxText, "Shutting down...");
    EXPECT_TRUE(rig_.form->Ended());
    EXPECT_GT(rig_.process.ends, endsBefore);
}

TEST_F(Form1WindowTest, AReplyArrivesWhileAWarningBoxIsOpen) {
    QUORIN_PEER_PORT(port, "bigthengood");
    Install(kMagic101);
    win32::Win32MessageBox realBox;
    std::string boxText;
    std::string statusWhileOpen;
    test::WindowWatcher watcher("Winsock error", [&](HWND box) {
        boxText = test::MessageBoxText(box);
        // The window's timer keeps ticking inside the box's own loop.
        for (int i = 0; i < 300 && statusWhileOpen != kReadyToLaunch; ++i) {
            std::this_thread::sleep_for(10ms);
            statusWhileOpen = win32::WindowText(window_->Control(kIdStatus));
        }
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    Start("+connect 127.0.0.1:" + std::to_string(port), nullptr, &realBox);
    ASSERT_TRUE(Pump([&] { return watcher.Acted(); }, 10s));
    EXPECT_EQ(boxText, "Message too long.");
    EXPECT_EQ(statusWhileOpen, kReadyToLaunch);
    EXPECT_GE(Rows(kIdVariables).size(), 8u);
    EXPECT_TRUE(Pump([&] { return !::FindWindowA(nullptr, "Winsock error"); }));
    EXPECT_FALSE(rig_.form->Ended());
}

TEST_F(Form1WindowTest, AGigabyteSwitchPaintsProgressAndTheWindowKeepsAnswering) {
    QUORIN_PEER_PORT(port, "v101");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "quorin-progress";
    for (const char* dir : {"", "\\Patch Files", "\\Patch Files\\101", "\\Patch Files\\101\\base",
                            "\\GameData"})
        ::CreateDirectoryA((root + dir).c_str(), nullptr);
    ASSERT_TRUE(test::MakeSparseFile(root + "\\Patch Files\\101\\base\\big.pk3", 1ll << 30));
    files_ = win32::GameFiles(root);
    Install(kMagic100, root);
    Start("+connect 127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(WaitForStatus(kNeedsPatched)) << Text(kIdStatus);

    // Another thread asks the window for its status text while the copy runs.
    std::atomic<bool> done{false}, asked{false};
    std::vector<std::string> seen;
    std::chrono::milliseconds slowest{0};
    std::thread asker([&] {
        while (!done) {
            char text[64] = {};
            DWORD_PTR got = 0;
            const auto before = std::chrono::steady_clock::now();
            ::SendMessageTimeoutA(window_->Control(kIdStatus), WM_GETTEXT, sizeof text,
                                  reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &got);
            slowest = std::max(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - before));
            if (seen.empty() || seen.back() != text)
                seen.push_back(text);
            std::this_thread::sleep_for(20ms);
        }
        asked = true;
    });
    ::PostMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(kIdPatch, STN_CLICKED),
                   reinterpret_cast<LPARAM>(window_->Control(kIdPatch)));
    const bool finished = Pump([&] { return Text(kIdStatus) == kPatchedReady; }, 120s);
    done = true;
    Pump([&] { return asked.load(); }); // its last question still needs an answer
    asker.join();
    EXPECT_TRUE(finished) << Text(kIdStatus);
    EXPECT_LT(slowest, 500ms);
    const auto midway = std::count_if(seen.begin(), seen.end(), [](const std::string& t) {
        return t.starts_with("Patching.... ") && t != "Patching.... 0%" && t != "Patching.... 100%";
    });
    EXPECT_GE(midway, 1) << ::testing::PrintToString(seen);
    test::RemoveTree(root);
}

TEST_F(Form1WindowTest, AboutShowsTheVersionEachTime) {
    QUORIN_PEER_PORT(port, "v101");
    Install(kMagic101);
    Start("+connect 127.0.0.1:" + std::to_string(port));
    for (int time = 0; time < 2; ++time) {
        std::string version;
        bool mainDisabled = false;
        test::WindowWatcher watcher("About", [&](HWND about) {
            version = win32::WindowText(::GetDlgItem(about, kIdAboutVersion));
            mainDisabled = !::IsWindowEnabled(window_->Handle());
            test::PostClick(about, kIdOK);
        });
        test::PostClick(window_->Handle(), kIdAbout);
        ASSERT_TRUE(Pump([&] { return watcher.Acted() && !::FindWindowA(nullptr, "About"); }));
        EXPECT_EQ(version, "Version: 1.0.23");
        EXPECT_TRUE(mainDisabled);
        EXPECT_TRUE(Pump([&] { return ::IsWindowEnabled(window_->Handle()) != FALSE; }));
    }
}

} // namespace
} // namespace quorin
