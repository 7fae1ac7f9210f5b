// The list of servers in its real window under Wine, refreshed from the
// stand-in master on loopback (scripts/peers) and driven as a player would.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <chrono>

#include "browser/win32/browser_window.h"
#include "browser/win32/favourite_dialog.h"
#include "browser/win32/masters_dialog.h"
#include "browser/win32/settings_store_win32.h"
#include "console/win32/form1_window.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/peer_ports.h"

namespace quorin {
namespace {

using namespace std::chrono;

class BrowserWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QUORIN_PEER_PORT(master, "master");
        store_.values[kMastersValue] = {true, "127.0.0.1:" + std::to_string(master)};
    }
    // Closes the window as the player does, and starts Quorin's list again.
    void Restart() {
        ::SendMessageA(window_->Handle(), WM_CLOSE, 0, 0);
        window_.reset();
        Start();
    }
    void Choose(int id, int choice) {
        ::SendMessageA(window_->Control(id), CB_SETCURSEL, choice, 0);
        ::SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(window_->Control(id)));
    }
    void Select(int row) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(window_->Control(win32::kIdList), LVM_SETITEMSTATE, row,
                       reinterpret_cast<LPARAM>(&state));
    }
    void Start() {
        window_ = std::make_unique<win32::BrowserWindow>(
            store_,
            win32::BrowserWindow::Hooks{[] { return std::string("v1.0.0"); },
                                        [this](const ServerRow& row) { joined_.push_back(row); },
                                        [this] { ++typed_; },
                                        [this](const ServerRow& row) { details_.push_back(row); }});
        ASSERT_TRUE(window_->Create());
        window_->Show();
        window_->Refresh();
        ASSERT_TRUE(Pump([&] { return !window_->Refreshing(); }, 20s));
        Pump([] { return false; }, 300ms); // the last tick shows the end
    }
    // Runs the message loop as the program does until `done` or the time is up.
    bool Pump(const std::function<bool()>& done, milliseconds timeout = 5s) {
        for (auto end = steady_clock::now() + timeout; steady_clock::now() < end;) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!window_->PreTranslate(msg)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageA(&msg);
                }
            if (done())
                return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return done();
    }
    // The rows as "port:cells" lines, the name without its colours.
    std::string Shown(Column column) {
        std::string out;
        for (const ServerRow& row : window_->Rows())
            out += CellText(row, column) + "|";
        return out;
    }
    // The row shown with that name: the servers that register by heartbeat
    // may come and go between runs, so rows are found by name, not place.
    WPARAM RowNamed(const std::string& name) {
        const std::vector<ServerRow> rows = window_->Rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (CellText(rows[i], Column::Name) == name)
                return i;
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    void Click(int id) { ::SendMessageA(window_->Control(id), BM_CLICK, 0, 0); }
    void SortBy(Column column) {
        NMLISTVIEW click{};
        click.hdr = {window_->Control(win32::kIdList), win32::kIdList, LVN_COLUMNCLICK};
        click.iSubItem = static_cast<int>(column);
        ::SendMessageA(window_->Handle(), WM_NOTIFY, win32::kIdList,
                       reinterpret_cast<LPARAM>(&click));
    }
    test::MemorySettingsStore store_;
    std::unique_ptr<win32::BrowserWindow> window_;
    std::vector<ServerRow> joined_;
    int typed_ = 0;
    std::vector<ServerRow> details_;
};

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
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(window_->Control(win32::kIdList), LVM_SETITEMSTATE, 7,
                   reinterpret_cast<LPARAM>(&state)); // the 1.0.1 stand-in
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

// A port of a master that has stopped: bound a moment ago, closed since.
int StoppedPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(s);
    ::WSACleanup();
    return ntohs(address.sin_port);
}

TEST_F(BrowserWindowTest, AFavouriteShowsAndIsAskedWithTheMasterStopped) {
    QUORIN_PEER_PORT(v101, "v101");
    const int stopped = StoppedPort();
    ASSERT_NE(stopped, 0);
    store_.values[kMastersValue] = {true, "127.0.0.1:" + std::to_string(stopped)};
    store_.values[kFavouritesValue] = {true, "127.0.0.1:" + std::to_string(v101)};
    Start();
    ASSERT_EQ(window_->Rows().size(), 1u);
    EXPECT_EQ(window_->Rows()[0].info.hostname, "^4Stand-in ^71.0.1");
    Choose(win32::kIdShow, 1); // favourites alone
    EXPECT_EQ(window_->Rows().size(), 1u);
    Select(0);
    Click(win32::kIdFavourite); // and out of them again
    EXPECT_EQ(window_->Rows().size(), 0u);
    EXPECT_EQ(store_.values[kFavouritesValue].data, "");
}

TEST_F(BrowserWindowTest, AJoinedServerIsFirstAmongTheRecentAfterTheNextStart) {
    Start();
    SortBy(Column::Name);
    ::SetFocus(window_->Control(win32::kIdList));
    Select(5); // the OpenJK stand-in
    ::PostMessageA(window_->Control(win32::kIdList), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Pump([&] { return !joined_.empty(); }));
    Restart();
    Choose(win32::kIdShow, 2);
    ASSERT_EQ(window_->Rows().size(), 1u);
    EXPECT_EQ(window_->Rows()[0].info.hostname, "OpenJK stand-in");
    EXPECT_GT(window_->Rows()[0].joinedAt, 0);
}

TEST_F(BrowserWindowTest, SortFiltersAndColumnWidthsSurviveARestart) {
    Start();
    SortBy(Column::Map);
    SortBy(Column::Map);
    Click(win32::kIdHideFull);
    Click(win32::kIdHideBots);
    Choose(win32::kIdVersion, 1);
    ::SendMessageA(window_->Control(win32::kIdList), LVM_SETCOLUMNWIDTH, 2, 177);
    const std::string rows = Shown(Column::Name);
    Restart();
    EXPECT_EQ(Shown(Column::Name), rows);
    EXPECT_EQ(::SendMessageA(window_->Control(win32::kIdHideBots), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageA(window_->Control(win32::kIdVersion), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(window_->Settings().column, Column::Map);
    EXPECT_TRUE(window_->Settings().descending);
    EXPECT_EQ(::SendMessageA(window_->Control(win32::kIdList), LVM_GETCOLUMNWIDTH, 2, 0),
              ::MulDiv(::MulDiv(177, 96, win32::WindowDpi(window_->Handle())),
                       win32::WindowDpi(window_->Handle()), 96));
}

TEST_F(BrowserWindowTest, ADamagedValueIsSaidAndLeftAsItIs) {
    store_.values[kSortValue] = {true, "Colour"};
    Start();
    EXPECT_NE(window_->StatusLine().find("The stored sort (\"Sort\") could not be read"),
              std::string::npos);
    SortBy(Column::Name);
    EXPECT_EQ(store_.values[kSortValue].data, "Colour");
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

// "Add by address" as a player fills it: a name first, refused, then an address.
struct FavouriteDriver {
    static inline std::string typed, refusal;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = ::FindWindowA(nullptr, win32::kFavouriteCaption);
        if (!dialog)
            return;
        ::KillTimer(nullptr, timer);
        ::SetWindowTextA(::GetDlgItem(dialog, win32::kIdFavouriteText), "server.example");
        ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        refusal = win32::WindowText(::GetDlgItem(dialog, win32::kIdFavouriteWhy));
        ::SetWindowTextA(::GetDlgItem(dialog, win32::kIdFavouriteText), typed.c_str());
        ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
};

TEST_F(BrowserWindowTest, AFavouriteByAddressIsAskedAtOnce) {
    QUORIN_PEER_PORT(silent, "silent");
    QUORIN_PEER_PORT(v100, "v100");
    store_.values[kMastersValue] = {true, "127.0.0.1:" + std::to_string(silent)};
    Start();
    FavouriteDriver::typed = "127.0.0.1:" + std::to_string(v100);
    ::SetTimer(nullptr, 0, 50, &FavouriteDriver::Tick);
    Click(win32::kIdFavouriteAddress);
    EXPECT_EQ(FavouriteDriver::refusal,
              "\"server.example\" is no server's address: type a.b.c.d or a.b.c.d:port.");
    EXPECT_EQ(store_.values[kFavouritesValue].data, FavouriteDriver::typed);
    ASSERT_TRUE(Pump([&] { return !window_->Refreshing(); }, 20s));
    ASSERT_EQ(window_->Rows().size(), 1u);
    EXPECT_EQ(window_->Rows()[0].info.hostname, "^2Stand-in ^71.0.0");
}

// The masters' dialog as a player drives it, from a timer of its modal loop.
struct MastersDriver {
    static inline std::string typed, firstRow;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = ::FindWindowA(nullptr, win32::kMastersCaption);
        if (!dialog)
            return;
        ::KillTimer(nullptr, timer);
        char cell[64] = {};
        LVITEMA item{};
        item.iSubItem = 2;
        item.pszText = cell;
        item.cchTextMax = sizeof cell;
        ::SendMessageA(::GetDlgItem(dialog, win32::kIdMasterList), LVM_GETITEMTEXTA, 0,
                       reinterpret_cast<LPARAM>(&item));
        firstRow = cell;
        ::SetWindowTextA(::GetDlgItem(dialog, win32::kIdMasterName), typed.c_str());
        ::SendMessageA(::GetDlgItem(dialog, win32::kIdMasterAdd), BM_CLICK, 0, 0);
        ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    }
};

TEST_F(BrowserWindowTest, AMasterAddedInTheDialogIsAskedAtOnce) {
    QUORIN_PEER_PORT(silent, "silent");
    QUORIN_PEER_PORT(master, "master");
    const std::string silentMaster = "127.0.0.1:" + std::to_string(silent);
    store_.values[kMastersValue] = {true, silentMaster};
    Start();
    EXPECT_TRUE(window_->Rows().empty());
    MastersDriver::typed = "127.0.0.1:" + std::to_string(master);
    ::SetTimer(nullptr, 0, 50, &MastersDriver::Tick);
    Click(win32::kIdMasters);
    EXPECT_EQ(MastersDriver::firstRow, "no answer");
    EXPECT_EQ(store_.values[kMastersValue].data, silentMaster + " " + MastersDriver::typed);
    ASSERT_TRUE(Pump([&] { return !window_->Refreshing(); }, 20s));
    EXPECT_EQ(window_->Rows().size(), 9u);
}

// The registry's values as the list reads them.
TEST(RegistrySettingsStore, ReadsTheCurrentUsersKeyAsUntrustedText) {
    win32::UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorin", 0, nullptr, 0,
                                KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    const std::string big(kMaxStoredText + 10, 'x');
    const DWORD number = 1;
    const struct {
        DWORD type;
        const void* bytes;
        DWORD size;
        bool text, oversized;
        std::string data;
    } cases[] = {
        {REG_SZ, "127.0.0.1:27950", 16, true, false, "127.0.0.1:27950"},
        {REG_SZ, "no terminator", 13, true, false, "no terminator"},
        {REG_DWORD, &number, sizeof number, false, false, ""},
        {REG_BINARY, "abc", 3, false, false, ""},
        {REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1), true, true, ""},
    };
    win32::RegistrySettingsStore store;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        ::RegSetValueExA(key.Get(), "Test", 0, c.type, static_cast<const BYTE*>(c.bytes), c.size);
        const auto value = store.Read("Test");
        ASSERT_TRUE(value);
        EXPECT_EQ(value->text, c.text);
        EXPECT_EQ(value->oversized, c.oversized);
        EXPECT_EQ(value->data, c.data);
    }
    EXPECT_TRUE(store.Write("Test", "10.0.0.1:29070"));
    EXPECT_EQ(store.Read("Test")->data, "10.0.0.1:29070");
    ::RegDeleteValueA(key.Get(), "Test");
    EXPECT_FALSE(store.Read("Test"));
}

} // namespace
} // namespace quorin
