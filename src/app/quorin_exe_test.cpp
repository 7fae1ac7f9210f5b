// The real program against replies meant to choke it: rows longer than the
// buffer Wine lends a list box, and a flood of oversized datagrams.
#include <gtest/gtest.h>

#include "common/win32/controls.h"
#include "console/layout.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/peer_ports.h"
#include "tests/support/win32/window_driver.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

class QuorinExeTest : public test::LiveServicesTest {
  protected:
    // Quorin started against the stand-in's `variant`, its main window shown.
    std::pair<win32::UniqueKernelHandle, DWORD> Start(const std::string& variant, HWND& main) {
        const std::optional<int> port = test::PeerPort(variant);
        EXPECT_TRUE(port) << variant;
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        rig_.Install(kMagic101, std::string(temp) + "quorin-exe-game");
        auto started =
            test::StartProcess("\"" + std::string(QUORIN_EXE) +
                               "\" +connect 127.0.0.1:" + std::to_string(port.value_or(1)));
        main = test::WaitForProcessWindow(started.second, kAppTitle, 20s);
        return started;
    }
    static bool Running(HANDLE process) {
        return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    }
    static int WindowsCaptioned(DWORD pid, const char* title) {
        int count = 0;
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, nullptr, title));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            count += owner == pid && ::IsWindowVisible(w);
        }
        return count;
    }
};

TEST_F(QuorinExeTest, RowsOfSixHundredCharactersAndSevenHundredPlayersAreDrawn) {
    HWND main = nullptr;
    auto [process, pid] = Start("longrows", main);
    ASSERT_TRUE(main);
    HWND status = ::GetDlgItem(::GetDlgItem(main, kIdStatusBar), kIdStatus);
    EXPECT_EQ(test::WaitForText(status, kReadyToLaunch), kReadyToLaunch);
    // The details panel shown with every row drawn, the last one in view.
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdExpand, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdExpand)));
    HWND values = ::GetDlgItem(main, kIdValues);
    const LRESULT rows = ::SendMessageA(values, LB_GETCOUNT, 0, 0);
    EXPECT_GT(rows, 10);
    ::SendMessageA(values, LB_SETTOPINDEX, static_cast<WPARAM>(rows - 1), 0);
    ::Sleep(1500);
    EXPECT_TRUE(Running(process.Get()));
    EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr));
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
}

TEST_F(QuorinExeTest, AFloodOfOversizedDatagramsOpensOneBoxAtMost) {
    HWND main = nullptr;
    auto [process, pid] = Start("flood", main);
    ASSERT_TRUE(main);
    int most = 0;
    // Queried again and again while the flood comes in, the box left open.
    for (int i = 0; i < 30; ++i, ::Sleep(100)) {
        if (i % 5 == 0)
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdQuery, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdQuery)));
        most = std::max(most, WindowsCaptioned(pid, "Winsock error"));
    }
    EXPECT_EQ(most, 1);
    EXPECT_TRUE(Running(process.Get()));
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
}

} // namespace
} // namespace quorin
