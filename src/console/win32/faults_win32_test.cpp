// Faults a player meets, on the real Winsock under Wine against the stand-in
// server: a name that does not resolve, a server that falls silent, replies
// from a port the tool did not ask, and a flood of replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/win32/win.h"

#include <psapi.h>

#include "console/form1.h"
#include "tests/support/peer_ports.h"
#include "tests/support/win32/live_services.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

class FaultTest : public test::LiveServicesTest {
  protected:
    Form1& Start(const std::string& commandLine) {
        rig_.Install(kMagic100);
        return rig_.Start(commandLine);
    }
    // Ticks as the window's timer would (without its 500 ms pauses) for `time`,
    // or until the status reads `status`.
    bool TickFor(std::chrono::milliseconds time, const std::string& status = "") {
        for (auto end = std::chrono::steady_clock::now() + time; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(20ms))
            if (rig_.form->Timer1_Timer(), rig_.Controls().lblStatus == status)
                return true;
        return false;
    }
};

TEST_F(FaultTest, AHostNameThatDoesNotResolve) {
    Form1& f = Start("+connect no-such-host.invalid:29070");
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].caption, "Winsock error");
    EXPECT_NE(box_.shown[0].text, "Unknown error.") << "the player must learn why";
    EXPECT_EQ(rig_.dialog.shown, 1); // offered to mend; the player gave up
    EXPECT_EQ(f.SocketCount, 0);
}

TEST_F(FaultTest, AServerThatFallsSilentLeavesTheLastAnswerStanding) {
    QUORIN_PEER_PORT(port, "once");
    Form1& f = Start("+connect 127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(TickFor(5s, kNeedsPatched)) << f.Controls().lblStatus;
    const auto rows = f.Controls().lstSVRVariable;
    f.cmdQuery_Click();
    TickFor(1500ms);
    EXPECT_EQ(f.Controls().lblStatus, kQuerying); // no false verdict
    EXPECT_EQ(f.Controls().lstSVRVariable, rows); // nothing lost
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(FaultTest, RepliesFromAnotherPortAreNotSeen) {
    QUORIN_PEER_PORT(port, "otherport");
    Form1& f = Start("+connect 127.0.0.1:" + std::to_string(port));
    TickFor(1500ms);
    EXPECT_EQ(f.Controls().lblStatus, kQuerying);
    EXPECT_TRUE(f.Controls().lstSVRVariable.empty());
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(FaultTest, AFloodIsHandledOnePerTickInFlatMemory) {
    QUORIN_PEER_PORT(port, "flood");
    Form1& f = Start("+connect 127.0.0.1:" + std::to_string(port));
    std::this_thread::sleep_for(500ms); // let the flood arrive
    PROCESS_MEMORY_COUNTERS before{}, after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    std::vector<int> handled; // each reply's number, as the ticks showed them
    for (int tick = 0; tick < 1100; ++tick) {
        f.Timer1_Timer();
        const auto& values = f.Controls().lstSVRValue;
        const int n = values.empty() ? -1 : std::atoi(values[0].c_str() + std::string("flood ").size());
        if (n >= 0 && (handled.empty() || handled.back() != n))
            handled.push_back(n);
    }
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    EXPECT_TRUE(std::is_sorted(handled.begin(), handled.end()));
    EXPECT_GE(handled.size(), 100u) << "what the socket buffer held, one datagram a tick";
    EXPECT_LE(handled.size(), 1000u);
    EXPECT_EQ(f.Controls().lblStatus, kNeedsPatched);
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 4 * 1024 * 1024);
    EXPECT_TRUE(box_.shown.empty());
}

} // namespace
} // namespace quorin
