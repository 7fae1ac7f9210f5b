// What "Quorin - Servers" keeps for the player, in its real window under
// Wine: the favourites, the recent servers, the sort, filters and widths,
// the masters, and the registry values they are kept in.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <chrono>

#include "browser/win32/favourite_dialog.h"
#include "browser/win32/masters_dialog.h"
#include "browser/win32/settings_store_win32.h"
#include "tests/support/win32/browser_window_rig.h"

namespace quorin {
namespace {

using namespace std::chrono;

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
