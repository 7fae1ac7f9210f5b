// The real main window under Wine, against a real server on loopback: the
// details panel's geometry at two DPIs and two caption heights, the player's
// own input, the two dialogs and the game started from it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "console/layout.h"
#include "console/win32/form1_window.h"
#include "console/win32/message_loop_win32.h"
#include "console/win32/window_jobs_win32.h"
#include "dialogs/about.h"
#include "dialogs/win32/dialog_windows.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/peer_ports.h"
#include "tests/support/win32/window_driver.h"

#include <commctrl.h>

namespace quorin {
namespace {

using namespace std::chrono_literals;

class Form1WindowTest : public test::LiveServicesTest {
  protected:
    void TearDown() override {
        window_.reset(); // the window first: its messages reach the workflow
        rig_.Stop();
        LiveServicesTest::TearDown();
    }
    // The workflow in its real window, started up and shown, asking `port`.
    void Start(int port, const std::string& root = "C:\\JA", const std::string& more = "") {
        rig_.Install(kMagic101, root);
        rig_.jobs = &jobs_; // the real ones, told through the window's messages
        rig_.launcher = &launcher_;
        Form1& form = rig_.Create(port ? "+connect 127.0.0.1:" + std::to_string(port) + more : "",
                                  nullptr, &dialog_);
        window_ = std::make_unique<win32::Form1Window>(
            form, win32::Form1Window::Hooks{[this] { about_.ShowModal(window_->Handle()); },
                                            [this] { ++patchFilesOpened_; }});
        ASSERT_TRUE(window_->Create());
        jobs_.SetWindow(window_->Handle(), win32::kMsgJobFinished);
        launcher_.SetEnded(window_->Handle(), [this] { window_->GameEnded(); });
        form.Repaint = [this] { window_->PaintNow(); };
        form.Form_Load();
        if (!form.Ended())
            window_->Show();
    }
    std::string Text(int id) { return win32::WindowText(window_->Control(id)); }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
        return win32::MessageLoop(launcher_, [this](MSG& m) { return window_->PreTranslate(m); })
            .RunUntil(done, static_cast<DWORD>(timeout.count()));
    }
    bool WaitForStatus(const std::string& status) {
        return Pump([&] { return Text(kIdStatus) == status; });
    }
    int Send(int id, UINT message, WPARAM w = 0, LPARAM l = 0) {
        return static_cast<int>(::SendMessageA(window_->Control(id), message, w, l));
    }
    void StartReady(bool expand) { // the 1.0.1 server's reply shown, expanded if asked
        QUORIN_PEER_PORT(port, "v101");
        Start(port);
        ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
        if (expand)
            Send(kIdExpand, BM_CLICK);
    }
    // The client area the layout needs, whatever the caption, with the
    // status bar at its foot below the control `above`.
    bool Fits(int height, int above) {
        const double pixel = PixelsToTwips(1, window_->Dpi());
        RECT client{}, bar{}, over{};
        ::GetClientRect(window_->Handle(), &client);
        ::GetWindowRect(window_->Control(kIdStatusBar), &bar);
        ::GetWindowRect(window_->Control(above), &over);
        POINT foot{0, client.bottom};
        ::ClientToScreen(window_->Handle(), &foot);
        EXPECT_NEAR(PixelsToTwips(client.right, window_->Dpi()), kForm1ClientWidth, pixel);
        EXPECT_NEAR(PixelsToTwips(client.bottom, window_->Dpi()), height, pixel);
        return bar.bottom == foot.y && over.bottom <= bar.top;
    }
    std::string Pixels(int id, int row) {
        HWND list = window_->Control(id);
        ::UpdateWindow(list);
        RECT r{};
        Send(id, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        HDC dc = ::GetDC(list);
        bool red = false, blue = false, grey = false;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = ::GetPixel(dc, x, y);
                const bool dark = GetGValue(c) < 60;
                red = red || (dark && GetRValue(c) > 195 && GetBValue(c) < 60);
                blue = blue || (dark && GetRValue(c) < 60 && GetBValue(c) > 195);
                grey = grey || c == ::GetSysColor(COLOR_GRAYTEXT);
            }
        ::ReleaseDC(list, dc);
        return std::string(blue ? "b" : "") + (red ? "r" : "") + (grey ? "g" : "");
    }
    // A message posted to a row of a list as the player's input, through the
    // window's own loop: each list's row and first row shown.
    std::string Input(int id, UINT message, WPARAM w, int row = 0) {
        RECT r{};
        Send(id, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        const POINT at{r.left + 4, r.top + 2};
        MSG queued;
        if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
            POINT screen = at;
            ::ClientToScreen(window_->Control(id), &screen);
            // The real pointer there first, until quiet for 100 ms: a move the X
            // server reports late would otherwise reach the list with its button
            // down and select the row before. One already there needs no wait.
            POINT was{};
            ::GetCursorPos(&was);
            if (was.x != screen.x || was.y != screen.y)
                ::SetCursorPos(screen.x, screen.y);
            auto quietSince = std::chrono::steady_clock::now();
            Pump([&] {
                if (was.x == screen.x && was.y == screen.y)
                    return true;
                POINT now{};
                ::GetCursorPos(&now);
                if (now.x != screen.x || now.y != screen.y ||
                    ::PeekMessageA(&queued, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE))
                    quietSince = std::chrono::steady_clock::now();
                return std::chrono::steady_clock::now() - quietSince > 100ms;
            });
        }
        ::PostMessageA(window_->Control(id), message, w, MAKELPARAM(at.x, at.y));
        Pump([&] { return !::PeekMessageA(&queued, nullptr, 0, 0, PM_NOREMOVE); });
        return std::to_string(Send(kIdVariables, LB_GETCURSEL)) + "/" +
               std::to_string(Send(kIdValues, LB_GETCURSEL)) + " top " +
               std::to_string(Send(kIdVariables, LB_GETTOPINDEX)) + "/" +
               std::to_string(Send(kIdValues, LB_GETTOPINDEX));
    }
    std::string Enter(int id) {
        ::SetFocus(window_->Control(id));
        window_->Sync();
        std::string seen;
        for (const auto& [button, letter] :
             {std::pair(kIdQuery, "Q"), {kIdAbout, "A"}, {kIdLaunch, "L"}})
            if (::GetWindowLongA(window_->Control(button), GWL_STYLE) & BS_DEFPUSHBUTTON)
                seen += letter;
        Input(id, WM_KEYDOWN, VK_RETURN);
        return seen + " " + std::to_string(box_.shown.size());
    }
    win32::WindowJobs jobs_;
    win32::GameLauncher launcher_;
    win32::ServerDialogWindow dialog_{box_, rig_.process};
    win32::AboutBox about_;
    std::unique_ptr<win32::Form1Window> window_;
    int patchFilesOpened_ = 0;
};

TEST_F(Form1WindowTest, TheSystemMenuOpensPatchFiles) {
    Start(test::FreeLoopbackUdpPort());
    char text[64] = {};
    ::GetMenuStringA(::GetSystemMenu(window_->Handle(), FALSE), win32::kSysPatchFiles, text,
                     sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, win32::kPatchFilesMenuText);
    ::SendMessageA(window_->Handle(), WM_SYSCOMMAND, win32::kSysPatchFiles, 0);
    EXPECT_EQ(patchFilesOpened_, 1);
}

TEST_F(Form1WindowTest, EveryQueryOfAClosedPortIsToldAsNotResponding) {
    Start(test::FreeLoopbackUdpPort());               // the port of a socket just closed
    const SocketHandle socket = rig_.form->UdpSocket; // one for the whole run
    EXPECT_TRUE(WaitForStatus(kNotResponding));
    for (int query = 2; query <= 3; ++query) {
        Send(kIdQuery, BM_CLICK);
        EXPECT_EQ(Text(kIdStatus), kQuerying);
        EXPECT_TRUE(WaitForStatus(kNotResponding)) << query;
    }
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(rig_.form->UdpSocket, socket);
}

TEST_F(Form1WindowTest, DetailsGeometryCollapsedAndExpandedWithTheStatusBar) {
    ASSERT_NO_FATAL_FAILURE(StartReady(false));
    if (const char* dpi = std::getenv("QUORIN_EXPECT_DPI")) { // run by the test below
        ASSERT_EQ(window_->Dpi(), std::atoi(dpi));
        ASSERT_GE(::GetSystemMetrics(SM_CYCAPTION), 36 * window_->Dpi() / 96);
    }
    EXPECT_TRUE(Fits(kForm1CollapsedClientHeight, kIdExpand));
    Send(kIdExpand, BM_CLICK);
    EXPECT_EQ(Text(kIdExpand), "-");
    EXPECT_TRUE(Fits(kForm1ExpandedClientHeight, kIdValues));
    Send(kIdExpand, BM_CLICK);
    EXPECT_EQ(Text(kIdExpand), "+");
    EXPECT_TRUE(Fits(kForm1CollapsedClientHeight, kIdExpand));
}

TEST_F(Form1WindowTest, DetailsDrawnInTheServersColours) {
    ASSERT_NO_FATAL_FAILURE(StartReady(true));
    // "^4Stand-in" in blue, the first player's "^1Kyle" in red, the last pair's
    // line break a grey pilcrow, not a box in the text's colour; names have none.
    const int last = rig_.Controls().pairRows - 1; // the server's last pair; the players follow
    EXPECT_EQ(Pixels(kIdValues, 0) + "|" + Pixels(kIdValues, last) + "|" + Pixels(kIdVariables, 0),
              "b|g|");
    EXPECT_TRUE(Pixels(kIdVariables, last + 1).starts_with("r")); // a player's coloured name
}

TEST_F(Form1WindowTest, DetailsRowHoldsTheServersBytesAndItsTipThePlayers) {
    ASSERT_NO_FATAL_FAILURE(StartReady(true));
    const int last = rig_.Controls().pairRows - 1;
    char item[256] = {};
    Send(kIdValues, LB_GETTEXT, static_cast<WPARAM>(last), reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(
        item, "0\n12 48 \"^1Kyle^7 Katarn\"\n3 112 \"Jaden \xE9\xF1\xFC\"\n0 0 \"^3Bot^5Rosh\"\n");
    wchar_t tip[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(window_->Control(kIdValues));
    tool.lpszText = tip;
    // The tip with the pointer on the row, asked until Wine has it there.
    Pump([&] {
        Input(kIdValues, WM_MOUSEMOVE, 0, last);
        ::SendMessageW(window_->Tooltip(), TTM_GETTEXTW, std::size(tip),
                       reinterpret_cast<LPARAM>(&tool));
        return *tip != 0;
    });
    EXPECT_NE(std::wstring(tip).find(L"3/16 players\nKyle Katarn: score 12, ping 48\n"),
              std::wstring::npos);
}

TEST_F(Form1WindowTest, DetailsScrollBarAndBothListsScrollTogether) {
    ASSERT_NO_FATAL_FAILURE(StartReady(true));
    HWND scroll = window_->Control(kIdDetailsScroll); // selects the same row in both lists
    ::SendMessageA(window_->Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(scroll));
    EXPECT_EQ(Send(kIdVariables, LB_GETCURSEL), 1);
    EXPECT_EQ(Send(kIdValues, LB_GETCURSEL), 1);
    // A click on a row, an arrow key and a wheel notch keep both lists on one
    // row, the scroll bar with them (given more rows than the lists show).
    for (int i = 0; i < 30; ++i)
        for (int id : {kIdVariables, kIdValues})
            Send(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("more"));
    Input(kIdValues, WM_LBUTTONDOWN, MK_LBUTTON, 7);
    EXPECT_EQ(Input(kIdValues, WM_LBUTTONUP, 0, 7), "7/7 top 0/0");
    EXPECT_EQ(::GetScrollPos(scroll, SB_CTL), 7);
    Input(kIdVariables, WM_LBUTTONDOWN, MK_LBUTTON, 3);
    EXPECT_EQ(Input(kIdVariables, WM_LBUTTONUP, 0, 3), "3/3 top 0/0");
    EXPECT_EQ(Input(kIdVariables, WM_KEYDOWN, VK_DOWN), "4/4 top 0/0");
    EXPECT_EQ(::GetScrollPos(scroll, SB_CTL), 4);
    const std::string wheeled = Input(kIdValues, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA));
    window_->Sync(); // as the poll's next tick does: the thumb stays
    const std::string top = wheeled.substr(wheeled.rfind('/') + 1); // both lists scrolled alike
    EXPECT_EQ(wheeled, "4/4 top " + top + "/" + top);
    EXPECT_NE(top, "0");
    EXPECT_EQ(std::to_string(::GetScrollPos(scroll, SB_CTL)), top); // the thumb with them
}

TEST_F(Form1WindowTest, EnterPressesTheFocusedButtonOrLaunch) {
    ASSERT_NO_FATAL_FAILURE(StartReady(false));
    // Enter presses a focused push button, which wears the default frame,
    // else Launch while it is shown (here it finds no game and says so).
    rig_.Controls().lblStatus = kPatchedReady; // to be replaced by the Query it presses
    EXPECT_EQ(Enter(kIdQuery), "Q 0");
    // Pressed: "Querying server...", or already the verdict if a tick read the reply.
    EXPECT_NE(Text(kIdStatus), kPatchedReady);
    std::string about; // the About box names this build, and is modal
    {
        test::WindowWatcher watcher("About", [&](HWND found) {
            about = win32::WindowText(::GetDlgItem(found, kIdAboutVersion)) +
                    (::IsWindowEnabled(window_->Handle()) ? " modeless" : "");
            test::PostClick(found, kIdOK);
        });
        EXPECT_EQ(Enter(kIdAbout), "A 0");
    }
    EXPECT_EQ(about, AboutVersionLine());
    for (const auto& [shown, seen] : {std::pair(false, "L 0"), {true, "L 1"}}) {
        rig_.Controls().cmdLaunchVisible = shown; // Enter with nothing to press, then Launch
        EXPECT_EQ(Enter(kIdVariables), seen);
    }
    EXPECT_EQ(box_.shown.at(0).caption, "Cant find your JKA executable!");
}

TEST_F(Form1WindowTest, TheServerAtAGlanceAndNoVerdictForOneTheGameCannotJoin) {
    QUORIN_PEER_PORT(jka, "v101");
    Start(jka);
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
    const std::string glance = Text(kIdGlance);
    EXPECT_TRUE(glance.starts_with("3/16 players, mp/ffa3, ") && glance.ends_with(" ms")) << glance;
    EXPECT_EQ(Send(kIdValues, LB_GETCOUNT), rig_.Controls().pairRows + 3); // a row per player

    // A real server of another game: everything it sent, but no verdict.
    QUORIN_PEER_PORT(other, "openarena");
    Start(other);
    ASSERT_TRUE(WaitForStatus(kNotJka)) << Text(kIdStatus);
    EXPECT_FALSE(::IsWindowVisible(window_->Control(kIdPatch)));
    EXPECT_FALSE(::IsWindowVisible(window_->Control(kIdLaunch)));
    EXPECT_GT(Send(kIdVariables, LB_GETCOUNT), 30);
}

TEST_F(Form1WindowTest, TabReachesThePatchLinkAndSpaceOrEnterPressesIt) {
    QUORIN_PEER_PORT(port, "v100");
    const auto key = [&](HWND to, WPARAM which) {
        ::PostMessageA(to, WM_KEYDOWN, which, 1);
        MSG queued;
        Pump([&] { return !::PeekMessageA(&queued, nullptr, 0, 0, PM_NOREMOVE); });
    };
    for (const WPARAM press : {VK_SPACE, VK_RETURN}) {
        Start(port); // the installation is 1.0.1
        ASSERT_TRUE(WaitForStatus(kNeedsPatched));
        HWND patch = window_->Control(kIdPatch);
        ::SendMessageA(patch, WM_SETCURSOR, reinterpret_cast<WPARAM>(patch),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        ::SetFocus(window_->Control(kIdVariables));
        for (int i = 0; i < 10 && ::GetFocus() != patch; ++i)
            key(::GetFocus(), VK_TAB);
        ASSERT_EQ(::GetFocus(), patch);
        key(patch, press);
        // The game folder of this test does not exist: the switch says so.
        EXPECT_TRUE(WaitForStatus(kPatchFailed)) << press;
    }
    EXPECT_EQ(box_.shown.at(1).caption, "Patch failed");
}

TEST_F(Form1WindowTest, TheSameGeometryWithATallerCaptionAt96And144Dpi) {
    // Wine reads the DPI and the caption's height when a process starts: run
    // the details' tests again in a child process with the prefix set so.
    const auto set = [](DWORD dpi, const char* caption) { // the caption's height in twips
        ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics",
                          "CaptionHeight", REG_SZ, caption,
                          static_cast<DWORD>(std::strlen(caption) + 1));
        return ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels",
                                 REG_DWORD, &dpi, sizeof dpi);
    };
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (const DWORD dpi : {96, 144}) {
        ASSERT_EQ(set(dpi, "-600"), ERROR_SUCCESS); // 40 pixels at 96 DPI instead of 18
        ::SetEnvironmentVariableA("QUORIN_EXPECT_DPI", std::to_string(dpi).c_str());
        const auto [child, id] =
            test::StartProcess(std::string("\"") + self +
                               "\" --gtest_filter=Form1WindowTest.Details*:Form1WindowTest.Enter*");
        DWORD exitCode = 1;
        if (child && ::WaitForSingleObject(child.Get(), 60000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(child.Get(), &exitCode);
        EXPECT_EQ(exitCode, 0u) << dpi;
    }
    ::SetEnvironmentVariableA("QUORIN_EXPECT_DPI", nullptr);
    set(96, "-270");
}

TEST_F(Form1WindowTest, ServerSettingsMendARefusedAddressOrCancel) {
    QUORIN_PEER_PORT(port, "v101");
    std::string offered; // the settings as they open
    {
        // A port out of range: the settings open filled with it. The player
        // pastes the whole address, with blanks, into the address box, Tabs
        // on and clicks the close box: the address is split into both.
        test::WindowWatcher typing("Server Settings", [&](HWND dialog) {
            HWND ip = ::GetDlgItem(dialog, kIdTxtIP), portBox = ::GetDlgItem(dialog, kIdTxtPort);
            offered = win32::WindowText(ip) + ":" + win32::WindowText(portBox);
            ::PostMessageA(ip, EM_SETSEL, 0, -1);
            for (char c : "  127.0.0.1:" + std::to_string(port) + "  ")
                ::PostMessageA(ip, WM_CHAR, static_cast<unsigned char>(c), 1);
            ::PostMessageA(ip, WM_KEYDOWN, VK_TAB, 1);
            ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        Start(70000);
        ASSERT_TRUE(typing.Acted());
    }
    EXPECT_EQ(offered, "127.0.0.1:70000");
    EXPECT_EQ(box_.shown.at(0).text,
              "The server port \"70000\" is not a whole number from 1 to 65535.");
    EXPECT_EQ(Text(kIdIP) + ":" + Text(kIdPort) + " " + std::to_string(box_.shown.size()),
              "127.0.0.1:" + std::to_string(port) + " 1");
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch)) << Text(kIdStatus);
}

TEST_F(Form1WindowTest, WhileTheGameRunsTheWindowPaintsAndTakesNoClicks) {
    QUORIN_PEER_PORT(port, "v101");
    const std::string root = (std::filesystem::temp_directory_path() / "quorin-running").string();
    std::filesystem::create_directories(root + "\\GameData");
    ASSERT_TRUE(::CopyFileA(QUORIN_STANDIN_JAMP, (root + "\\GameData\\jamp.exe").c_str(), FALSE));
    const std::string log = root + "\\jamp.log";
    ::SetEnvironmentVariableA("QUORIN_JAMP_LOG", log.c_str());
    Start(port, root, " +set fs_game japlus");
    ASSERT_TRUE(WaitForStatus(kReadyToLaunch));
    // The player, from another thread: looks at the window while the game
    // runs, then quits the game.
    std::string seen; // the status and the window while the game runs, what the game was given
    std::atomic<bool> quit{false};
    std::thread player([&] {
        for (int i = 0; i < 200 && !std::filesystem::exists(log); ++i)
            std::this_thread::sleep_for(100ms);
        // Another program says the game has ended: two sent messages later
        // the window has dispatched what was posted before them.
        ::PostMessageA(window_->Handle(), WM_APP + 2, 0, 0);
        for (int i = 0; i < 2; ++i)
            ::SendMessageTimeoutA(window_->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        char text[64] = {};
        ::SendMessageTimeoutA(window_->Control(kIdStatus), WM_GETTEXT, sizeof text,
                              reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000, nullptr);
        seen = text + std::string(::IsWindowEnabled(window_->Handle()) ? " enabled\n" : "\n") +
               test::ReadFileBytes(log);
        ::DeleteFileA(log.c_str());
        std::ofstream(log + ".exit") << "quit";
        quit = true;
    });
    test::PostClick(window_->Handle(), kIdLaunch);
    test::PostClick(window_->Handle(), kIdLaunch); // a second click while the game starts
    EXPECT_TRUE(Pump([&] { return quit && Text(kIdStatus) == kReadyToLaunch; }, 30s))
        << Text(kIdStatus);
    player.join();
    // The command line reaches the game as it was.
    EXPECT_EQ(seen, std::string(kGameRunning) + "\n+connect 127.0.0.1:" + std::to_string(port) +
                        " +set fs_game japlus\n" + root + "\\GameData\n");
    EXPECT_TRUE(::IsWindowEnabled(window_->Handle()));
    Pump([] { return false; }, 1500ms); // the second click must not start the game again
    EXPECT_EQ(::GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
    ::SetEnvironmentVariableA("QUORIN_JAMP_LOG", nullptr);
    test::RemoveTree(root);
}

} // namespace
} // namespace quorin
