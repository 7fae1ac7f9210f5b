// The list of servers in its real window under Wine, refreshed from the
// stand-in master on loopback (scripts/peers) and driven as a player would.
#include <gtest/gtest.h>

#include <chrono>

#include "console/win32/form1_window.h"
#include "tests/support/win32/browser_window_rig.h"
#include "tests/support/win32/live_services.h"

namespace quorin {
namespace {

using namespace std::chrono;

TEST_F(BrowserWindowTest, EveryServerOnceWithWhatItSaid) {
    Start();
    SortBy(Column::Name);
    const std::string silent = "127.0.0.1:" + std::to_string(*test::PeerPort("silent"));
    // The stand-ins, and the two openarena-servers registered by heartbeat.
    EXPECT_EQ(Shown(Column::Name), "Empty stand-in|Full stand-in|^1Locked ^7stand-in|OpenArena "
                                   "25|OpenArena 26|OpenJK stand-in|^2Stand-in ^71.0.0|^4Stand-in "
                                   "^71.0.1|" +
                                       silent + "|");
    EXPECT_EQ(Shown(Column::Version), "v1.0.0|v1.0.1|v1.0.1|v1.0.0|v1.0.1|v1.0.1|v1.0.0|v1.0.1||");
    EXPECT_EQ(Shown(Column::Players),
              "0/16|16/16|3/16|0/8|0/8|2/16 + 1 bot|2/16 + 1 bot|2/16 + 1 bot||");
    EXPECT_EQ(Shown(Column::Mod), "|||||japlus||||");
    EXPECT_EQ(Shown(Column::Map),
              "mp/ffa3|mp/ffa3|mp/ffa3|oa_dm1|oa_dm1|mp/ffa3|mp/ffa3|mp/ffa3||");
    EXPECT_EQ(Shown(Column::Type), "FFA|FFA|FFA|FFA|FFA|FFA|FFA|FFA||");
    EXPECT_EQ(window_->Rows().back().state, ServerRow::State::Silent);
    EXPECT_EQ(CellText(window_->Rows().back(), Column::Ping), "not responding");
    for (const ServerRow& row : window_->Rows())
        EXPECT_TRUE(row.state != ServerRow::State::Answered || row.pingMs < 500)
            << row.info.hostname;
    EXPECT_EQ(window_->StatusLine(), "1.0.0: 3 servers   1.0.1: 5 servers   8 answered, 1 not "
                                     "responding");
}

TEST_F(BrowserWindowTest, FiltersAndSortingGiveTheRightRows) {
    Start();
    SortBy(Column::Players);
    EXPECT_EQ(Shown(Column::Players),
              "0/8|0/8|0/16|2/16 + 1 bot|2/16 + 1 bot|2/16 + 1 bot|3/16|16/16||");
    SortBy(Column::Players); // again: reversed, the silent one still last
    EXPECT_EQ(Shown(Column::Players),
              "16/16|3/16|2/16 + 1 bot|2/16 + 1 bot|2/16 + 1 bot|0/16|0/8|0/8||");
    Click(win32::kIdHideEmpty);
    Click(win32::kIdHideFull);
    Click(win32::kIdHidePassworded);
    SortBy(Column::Name);
    EXPECT_EQ(Shown(Column::Name),
              "OpenJK stand-in|^2Stand-in ^71.0.0|^4Stand-in ^71.0.1|127.0.0.1:" +
                  std::to_string(*test::PeerPort("silent")) + "|");
    ::SendMessageA(window_->Control(win32::kIdVersion), CB_SETCURSEL, 2, 0);
    ::SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(win32::kIdVersion, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(window_->Control(win32::kIdVersion)));
    EXPECT_EQ(Shown(Column::Version), "v1.0.1|v1.0.1|");
    ::SetWindowTextA(window_->Control(win32::kIdFind), "JAPLUS");
    EXPECT_EQ(Shown(Column::Name), "OpenJK stand-in|");
}

TEST_F(BrowserWindowTest, EnterJoinsDetailsAndAddressHandOverAndF5Refreshes) {
    Start();
    SortBy(Column::Name);
    HWND list = window_->Control(win32::kIdList);
    ::SetFocus(list);
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, RowNamed("^2Stand-in ^71.0.0"),
                   reinterpret_cast<LPARAM>(&state));
    ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Pump([&] { return !joined_.empty(); }));
    EXPECT_EQ(joined_.at(0).info.hostname, "^2Stand-in ^71.0.0");
    Click(win32::kIdAddress);
    EXPECT_EQ(typed_, 1);
    Click(win32::kIdDetails);
    ASSERT_EQ(details_.size(), 1u);
    EXPECT_EQ(details_[0].info.hostname, "^2Stand-in ^71.0.0");
    // The silent server, last, is not offered: the status bar says why.
    ::SetFocus(list); // the buttons' clicks took it
    ::SendMessageA(list, LVM_SETITEMSTATE,
                   RowNamed("127.0.0.1:" + std::to_string(*test::PeerPort("silent"))),
                   reinterpret_cast<LPARAM>(&state));
    ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(
        Pump([&] { return window_->StatusLine().find("does not answer") != std::string::npos; }));
    EXPECT_EQ(joined_.size(), 1u);
    ::PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
    ASSERT_TRUE(Pump([&] { return window_->Refreshing(); }, 2s));
    ASSERT_TRUE(Pump([&] { return !window_->Refreshing(); }, 20s));
}

TEST_F(BrowserWindowTest, TheSelectedServersPlayersWithTheirBotsApart) {
    Start();
    SortBy(Column::Name);
    Select(7); // the 1.0.1 stand-in
    ASSERT_TRUE(Pump([&] { return window_->Players().size() == 3; }));
    EXPECT_EQ(window_->Players()[0].name, "^1Kyle^7 Katarn");
    EXPECT_EQ(window_->Players()[2].ping, 0);
    ASSERT_TRUE(Pump([&] { return CellText(window_->Rows()[7], Column::Players) != "3/16"; }));
    EXPECT_EQ(CellText(window_->Rows()[7], Column::Players), "2/16 + 1 bot");
}

TEST_F(BrowserWindowTest, TheWindowAnswersDuringARefresh) {
    Start();
    window_->Refresh();
    const auto before = steady_clock::now();
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(window_->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 100, &result));
    EXPECT_LT(steady_clock::now() - before, 100ms);
}

// The main window, started with an address, has its way to the list.
class MainWindowTest : public test::LiveServicesTest {};

TEST_F(MainWindowTest, ServersInTheSystemMenuLeadsToTheList) {
    QUORIN_PEER_PORT(port, "v101");
    rig_.Install(kMagic101);
    Form1& form = rig_.Create("+connect 127.0.0.1:" + std::to_string(port));
    win32::Form1Window window(form, {[] {}, nullptr});
    int asked = 0, favoured = 0;
    window.SetServersHook([&] { ++asked; });
    window.SetFavouriteHook([&] { ++favoured; });
    ASSERT_TRUE(window.Create());
    HMENU menu = ::GetSystemMenu(window.Handle(), FALSE);
    char text[64] = {};
    ::GetMenuStringA(menu, win32::kSysCommandServers, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Servers...");
    ::SendMessageA(window.Handle(), WM_SYSCOMMAND, win32::kSysCommandServers, 0);
    EXPECT_EQ(asked, 1);
    ::GetMenuStringA(menu, win32::kSysCommandFavourite, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Add to fa&vourites");
    ::SendMessageA(window.Handle(), WM_SYSCOMMAND, win32::kSysCommandFavourite, 0);
    EXPECT_EQ(favoured, 1);
}

TEST_F(BrowserWindowTest, APlayersNameKeepsOnlyTheServersWhereTheyPlayAndSaysWho) {
    Start();
    SortBy(Column::Name);
    const struct {
        const char* typed;
        std::string names;
        std::string playing; // of the first row
    } cases[] = {
        {"kyle katarn", "OpenJK stand-in|^2Stand-in ^71.0.0|^4Stand-in ^71.0.1|",
         "^1Kyle^7 Katarn"},
        {"^3KYLE^7 K", "OpenJK stand-in|^2Stand-in ^71.0.0|^4Stand-in ^71.0.1|", "^1Kyle^7 Katarn"},
        {"player 15", "Full stand-in|", "Player 15"},
        {"nobody plays this", "", ""},
    };
    for (const auto& c : cases) {
        ::SetWindowTextA(window_->Control(win32::kIdFind), c.typed);
        EXPECT_EQ(Shown(Column::Name), c.names) << c.typed;
        if (!window_->Rows().empty()) {
            EXPECT_EQ(window_->Rows()[0].matches, std::vector<std::string>{c.playing}) << c.typed;
        }
    }
    ::SetWindowTextA(window_->Control(win32::kIdFind), "japlus"); // a mod is no player
    ASSERT_EQ(window_->Rows().size(), 1u);
    EXPECT_TRUE(window_->Rows()[0].matches.empty());
}

TEST_F(BrowserWindowTest, HumansAndBotsAreCountedApart) {
    QUORIN_PEER_PORT(silent, "silent");
    QUORIN_PEER_PORT(bots, "bots");
    store_.values[kMastersValue] = {true, "127.0.0.1:" + std::to_string(silent)};
    store_.values[kFavouritesValue] = {true, "127.0.0.1:" + std::to_string(bots)};
    Start();
    ASSERT_EQ(window_->Rows().size(), 1u);
    EXPECT_EQ(CellText(window_->Rows()[0], Column::Players), "2/16 + 3 bots");
    Click(win32::kIdHideBots); // two humans: not a server of bots only
    EXPECT_EQ(window_->Rows().size(), 1u);
}

} // namespace
} // namespace quorin
