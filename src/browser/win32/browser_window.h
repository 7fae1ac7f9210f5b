// The window "Quorin - Servers": every server the masters list, in a virtual
// report list that a refresh on its own thread fills through the shared
// model; the window only shows what has arrived.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "browser/list_settings.h"
#include "browser/server_list.h"
#include "common/win32/controls.h"

#include <commctrl.h>

namespace quorin::win32 {

// The window's controls.
enum : int {
    kIdRefresh = 101,
    kIdAddress,
    kIdVersion, // both, the installed version, the other
    kIdHideEmpty,
    kIdHideFull,
    kIdHidePassworded,
    kIdFind,
    kIdList,
    kIdStatusBar,
    kIdPlayers, // the selected server's players
    kIdDetails,
    kIdShow, // every server, the favourites, the recent ones
    kIdHideBots,
    kIdFavourite,        // adds the selected server to the favourites or removes it
    kIdMasters,          // the masters' dialog
    kIdFavouriteAddress, // a favourite typed by address
};

class BrowserWindow : public ControlHost {
  public:
    struct Hooks {
        // The version the game is switched to ("v1.0.0", "v1.0.1" or "").
        std::function<std::string()> installedVersion;
        // Enter or a double-click on a server; absent, nothing is joined.
        std::function<void(const ServerRow&)> join;
        // "Address...": the player types an address instead; absent, no button.
        std::function<void()> typeAddress;
        // "Details": the selected server in the main window, without joining;
        // absent, no button.
        std::function<void(const ServerRow&)> details;
    };
    // The settings are read from `store` now and written back as the player
    // changes them; the store outlives the window.
    BrowserWindow(ISettingsStore& store, Hooks hooks);
    ~BrowserWindow();
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    bool Create();
    void Show();
    // Stops a refresh under way and starts a new one (F5).
    void Refresh();
    bool Refreshing() const { return refreshing_; }
    // Tab, Enter and F5 of the message loop; true when handled.
    bool PreTranslate(MSG& msg);

    HWND Handle() const { return hwnd_.Get(); }
    // What the list shows now, in its order.
    const std::vector<ServerRow>& Rows() const { return view_.rows; }
    // The selected server's players as the list below shows them.
    const std::vector<Player>& Players() const { return playersShown_; }
    const std::string& StatusLine() const { return status_; }
    const ListSettings& Settings() const { return settings_; }
    // Adds `server` to the favourites, or removes it; true when it is one after.
    bool ToggleFavourite(ServerAddress server);
    // "Add by address...": a favourite typed, then asked at once.
    void AddFavouriteByAddress();
    // The masters' dialog, modal; a changed list is kept and asked at once.
    void EditMasters();
    // Brings the list in line with the model now rather than on the timer.
    void Sync(bool force = false);

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    // The first column of either list, in the game's colours.
    LRESULT DrawName(int id, NMLVCUSTOMDRAW& draw);
    std::string NameAt(int list, std::size_t index) const;
    void Layout();
    void StopRefresh();
    void ReadFilter();
    void JoinSelected();
    int Selected() const;
    // The selected server's status, asked once a refresh on a thread of its own.
    void AskPlayers();
    void StatusLoop();
    void ShowPlayers();
    // Writes one setting, unless its stored value was found damaged.
    void Save(const char* name, const std::string& text);
    void SaveLayout();
    void UpdateFavouriteButton();
    std::string JoinedText(std::int64_t when) const;

    ISettingsStore& store_;
    LoadedSettings loaded_;
    ListSettings& settings_ = loaded_.settings;
    MasterNames masters_;
    Hooks hooks_;
    ServerListModel model_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> refreshing_{false};
    bool wasRefreshing_ = false;      // as the window last showed it
    std::atomic<int> socketError_{0}; // why the last refresh could not start
    std::string failure_;             // the same, or another reason, for the status bar

    UniqueHwnd hwnd_;
    FontSet fonts_;
    int dpi_ = 96;
    ListFilter filter_;
    Column column_ = Column::Ping;
    bool descending_ = false;
    std::uint64_t shownRevision_ = ~0ull;
    ServerListModel::View view_;
    std::string status_;
    std::string cell_; // the text handed to the list for one cell

    std::thread statusWorker_;
    std::mutex statusLock_; // guards what follows, up to playersShown_
    std::condition_variable statusWake_;
    bool statusStop_ = false;
    std::optional<ServerAddress> statusWanted_;
    std::map<ServerAddress, std::vector<Player>> players_; // this refresh's answers
    std::set<ServerAddress> statusAsked_;                  // once a refresh each
    std::atomic<bool> playersArrived_{false};
    std::optional<ServerAddress> playersOf_; // whose players the list shows
    std::vector<Player> playersShown_;
};

} // namespace quorin::win32
