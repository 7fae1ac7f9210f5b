#include "browser/win32/browser_window.h"
#include "browser/win32/favourite_dialog.h"
#include "browser/win32/masters_dialog.h"

#include "common/win32/system_dll.h"

#include <ntsecapi.h>

#include <ctime>

#include "common/control_design.h"
#include "common/versions.h"
#include "console/server_text.h"
#include "net/status_reply.h"
#include "net/win32/datagram_socket_win32.h"

namespace quorin::win32 {
namespace {

constexpr char kClassName[] = "QuorinServers";
constexpr char kTitle[] = "Quorin - Servers";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 100; // ms: rows appear as they arrive

// The design, in twips: the first row of controls, the list below it
// filling the window, the status bar at the bottom.
constexpr int kMargin = 120, kRowTop = 120, kRowHeight = 345;
struct Placed {
    int id;
    const char* cls;
    const char* text;
    DWORD style;
    int left, width;
    int top = kRowTop;
};
constexpr int kRow2Top = 585, kListTop = 1050;
constexpr int kClientWidth = 13200, kClientHeight = 8250, kPlayersHeight = 1950;
const Placed kRow[] = {
    {kIdRefresh, "BUTTON", "&Refresh", BS_PUSHBUTTON | WS_TABSTOP, 120, 1050},
    {kIdAddress, "BUTTON", "&Address...", BS_PUSHBUTTON | WS_TABSTOP, 1290, 1050},
    {kIdDetails, "BUTTON", "&Details", BS_PUSHBUTTON | WS_TABSTOP, 2460, 1050},
    {kIdVersion, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 3630, 2400},
    {kIdHideEmpty, "BUTTON", "Hide &empty", BS_AUTOCHECKBOX | WS_TABSTOP, 6150, 1200},
    {kIdHideFull, "BUTTON", "Hide f&ull", BS_AUTOCHECKBOX | WS_TABSTOP, 7440, 1000},
    {kIdHidePassworded, "BUTTON", "Hide &passworded", BS_AUTOCHECKBOX | WS_TABSTOP, 8520, 1650},
    {kIdFind, "EDIT", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 10290, 2760},
    {kIdShow, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 120, 2400, kRow2Top},
    {kIdHideBots, "BUTTON", "Hide &bots only", BS_AUTOCHECKBOX | WS_TABSTOP, 2640, 1600, kRow2Top},
    {kIdFavourite, "BUTTON", "Add to fa&vourites", BS_PUSHBUTTON | WS_TABSTOP, 4360, 2200,
     kRow2Top},
    {kIdFavouriteAddress, "BUTTON", "Add b&y address...", BS_PUSHBUTTON | WS_TABSTOP, 6680, 2000,
     kRow2Top},
    {kIdMasters, "BUTTON", "&Masters...", BS_PUSHBUTTON | WS_TABSTOP, 8800, 1300, kRow2Top},
};
const struct {
    const char* title;
    int width; // twips
    int format;
} kColumns[kColumnCount] = {
    {"Name", 3300, LVCFMT_LEFT},  {"Players", 1300, LVCFMT_RIGHT},
    {"Map", 1500, LVCFMT_LEFT},   {"Game type", 1300, LVCFMT_LEFT},
    {"Mod", 1100, LVCFMT_LEFT},   {"Version", 900, LVCFMT_LEFT},
    {"Ping", 1200, LVCFMT_RIGHT}, {"Joined", 1700, LVCFMT_LEFT},
};
constexpr const char* kShowChoices[] = {"All servers", "Favourites", "Recent servers"};

std::uint64_t RandomSeed() {
    std::uint64_t seed = 0;
    if (!::RtlGenRandom(&seed, sizeof seed)) {
        LARGE_INTEGER counter;
        ::QueryPerformanceCounter(&counter);
        seed = static_cast<std::uint64_t>(counter.QuadPart) ^ ::GetCurrentProcessId();
    }
    return seed;
}

// The game's colours on the list's white, as the details panel draws them.
void DrawRuns(HDC dc, RECT box, const std::vector<TextRun>& runs, COLORREF plain) {
    ::SetBkMode(dc, TRANSPARENT);
    int x = box.left;
    for (const TextRun& run : runs) {
        if (run.separator)
            continue;
        const auto shade = GameColour(run.colour);
        ::SetTextColor(dc, shade ? RGB(shade->r, shade->g, shade->b) : plain);
        RECT rest{x, box.top, box.right, box.bottom};
        ::DrawTextA(dc, run.text.data(), static_cast<int>(run.text.size()), &rest,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, run.text.data(), static_cast<int>(run.text.size()), &size);
        x += size.cx;
        if (x >= box.right)
            break;
    }
}

// The name column: the server's name, and the players the find box found there.
std::string NameCell(const ServerRow& row) {
    std::string text = CellText(row, Column::Name);
    for (std::size_t i = 0; i < row.matches.size(); ++i)
        text += (i == 0 ? "^7   (playing: " : "^7, ") + row.matches[i];
    return row.matches.empty() ? text : text + "^7)";
}

} // namespace

BrowserWindow::BrowserWindow(ISettingsStore& store, Hooks hooks)
    : store_(store), loaded_(LoadSettings(store)), masters_(ParseMasterNames(settings_.masters)),
      hooks_(std::move(hooks)) {
    filter_ = settings_.filter;
    column_ = settings_.column;
    descending_ = settings_.descending;
}

void BrowserWindow::Save(const char* name, const std::string& text) {
    if (std::find(loaded_.damaged.begin(), loaded_.damaged.end(), name) == loaded_.damaged.end())
        store_.Write(name, text);
}

void BrowserWindow::SaveLayout() {
    HWND list = controls_[kIdList];
    std::array<int, kColumnCount> widths{};
    for (int i = 0; i < kColumnCount; ++i)
        widths[i] =
            ::MulDiv(static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0)), 96, dpi_);
    settings_.widths = widths;
    Save(kColumnsValue, ColumnsText(widths));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(hwnd_.Get(), &placement)) {
        const RECT& r = placement.rcNormalPosition;
        settings_.place =
            WindowPlace{static_cast<int>(r.left), static_cast<int>(r.top),
                        static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top),
                        placement.showCmd == SW_SHOWMAXIMIZED || ::IsZoomed(hwnd_.Get())};
        Save(kWindowValue, PlaceText(*settings_.place));
    }
}

bool BrowserWindow::ToggleFavourite(ServerAddress server) {
    const bool now = quorin::ToggleFavourite(settings_.favourites, server);
    Save(kFavouritesValue, FavouritesText(settings_.favourites));
    std::map<ServerAddress, std::int64_t> joined;
    for (const RecentServer& r : settings_.recent)
        joined.emplace(r.address, r.joinedAt);
    model_.SetMarks(settings_.favourites, std::move(joined));
    Sync(true);
    UpdateFavouriteButton();
    return now;
}

void BrowserWindow::AddFavouriteByAddress() {
    FavouriteDialog dialog;
    const auto server = dialog.Run(hwnd_.Get());
    if (!server)
        return;
    if (std::find(settings_.favourites.begin(), settings_.favourites.end(), *server) ==
        settings_.favourites.end())
        ToggleFavourite(*server);
    Refresh(); // asked at once, with the rest
}

void BrowserWindow::EditMasters() {
    MastersDialog dialog(masters_.masters, model_.Masters());
    const auto chosen = dialog.Run(hwnd_.Get());
    if (!chosen)
        return;
    // The player's own list replaces whatever was stored, damaged or not.
    const std::string text = MastersText(*chosen);
    store_.Write(kMastersValue, text);
    std::erase(loaded_.damaged, std::string(kMastersValue));
    std::erase_if(loaded_.problems, [](const std::string& p) {
        return p.find("(\"Masters\")") != std::string::npos;
    });
    settings_.masters = text;
    masters_ = ParseMasterNames(text);
    Refresh();
}

void BrowserWindow::UpdateFavouriteButton() {
    const int selected = Selected();
    const bool any = selected >= 0 && static_cast<std::size_t>(selected) < view_.rows.size();
    ::EnableWindow(controls_[kIdFavourite], any);
    ::SetWindowTextA(controls_[kIdFavourite], any && view_.rows[selected].favourite
                                                  ? "Remove from fa&vourites"
                                                  : "Add to fa&vourites");
}

std::string BrowserWindow::JoinedText(std::int64_t when) const {
    if (when <= 0)
        return {};
    // Seconds since 1970 as a FILETIME, in the player's own time and way.
    const ULONGLONG ticks = (static_cast<ULONGLONG>(when) + 11644473600ULL) * 10000000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time))
        return {};
    char date[64] = {}, clock[64] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
    return std::string(date) + " " + clock;
}

BrowserWindow::~BrowserWindow() {
    StopRefresh();
    {
        const std::lock_guard hold(statusLock_);
        statusStop_ = true;
    }
    statusWake_.notify_all();
    if (statusWorker_.joinable())
        statusWorker_.join();
    hwnd_.Reset();
}

void BrowserWindow::AskPlayers() {
    const int selected = Selected();
    if (selected < 0 || static_cast<std::size_t>(selected) >= view_.rows.size())
        return;
    const ServerRow& row = view_.rows[selected];
    // The refresh asks every status once; the list asks only where it has not yet.
    if (row.state != ServerRow::State::Answered || model_.PlayersOf(row.address)) {
        ShowPlayers();
        return;
    }
    {
        const std::lock_guard hold(statusLock_);
        statusWanted_ = row.address;
    }
    if (!statusWorker_.joinable())
        statusWorker_ = std::thread([this] { StatusLoop(); });
    statusWake_.notify_all();
    ShowPlayers();
}

void BrowserWindow::StatusLoop() {
    DatagramSocket socket;
    const bool open = socket.Open() == 0;
    for (;;) {
        ServerAddress server;
        {
            std::unique_lock hold(statusLock_);
            statusWake_.wait(hold, [this] {
                return statusStop_ || (statusWanted_ && !statusAsked_.contains(*statusWanted_));
            });
            if (statusStop_)
                return;
            server = *statusWanted_;
            statusAsked_.insert(server);
        }
        // One request, and once more a second later; the reply only from
        // the server asked.
        std::optional<std::vector<Player>> players;
        for (int attempt = 0; open && attempt < 2 && !players; ++attempt) {
            socket.SendTo(server, kStatusRequest);
            for (const auto end = socket.NowMicros() + 1'000'000; !players;) {
                const std::int64_t left = end - socket.NowMicros();
                const auto arrival = left > 0 ? socket.Receive(left) : std::nullopt;
                if (!arrival)
                    break;
                if (arrival->from == server)
                    players = PlayersOfStatus(arrival->datagram);
            }
        }
        if (!players)
            continue;
        model_.SetBots(server, Bots(*players));
        {
            const std::lock_guard hold(statusLock_);
            players_[server] = std::move(*players);
        }
        playersArrived_ = true;
    }
}

void BrowserWindow::ShowPlayers() {
    const int selected = Selected();
    std::optional<ServerAddress> server;
    if (selected >= 0 && static_cast<std::size_t>(selected) < view_.rows.size())
        server = view_.rows[selected].address;
    std::vector<Player> players;
    {
        const std::lock_guard hold(statusLock_);
        if (server)
            if (const auto found = players_.find(*server); found != players_.end())
                players = found->second;
    }
    if (server && players.empty())
        players = model_.PlayersOf(*server).value_or(std::vector<Player>{});
    if (server == playersOf_ && players == playersShown_)
        return;
    playersOf_ = server;
    playersShown_ = std::move(players);
    HWND list = controls_[kIdPlayers];
    ::SendMessageA(list, LVM_SETITEMCOUNT, playersShown_.size(), 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void BrowserWindow::StopRefresh() {
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
    stop_ = false;
}

void BrowserWindow::Refresh() {
    StopRefresh();
    const std::size_t asked = std::min(masters_.masters.size(), RefreshLimits{}.masters);
    model_.Start(asked);
    std::map<ServerAddress, std::int64_t> joined;
    for (const RecentServer& r : settings_.recent)
        joined.emplace(r.address, r.joinedAt);
    model_.SetMarks(settings_.favourites, std::move(joined));
    // The player's own servers are asked directly: they show with every master down.
    std::vector<ServerAddress> direct = settings_.favourites;
    for (const RecentServer& r : settings_.recent)
        direct.push_back(r.address);
    {
        const std::lock_guard hold(statusLock_); // a refresh asks each status once again
        players_.clear();
        statusAsked_.clear();
        statusWanted_.reset();
    }
    failure_.clear();
    socketError_ = 0;
    if (asked == 0)
        failure_ = "No master server is set: the \"Masters\" setting names none.";
    if (asked == 0 && direct.empty()) {
        Sync(true);
        return;
    }
    refreshing_ = true;
    worker_ = std::thread(
        [this, masters = masters_.masters, direct = std::move(direct), seed = RandomSeed()] {
            DatagramSocket socket;
            if (const int error = socket.Open()) {
                socketError_ = error;
            } else {
                ServerRefresh(socket, model_, seed).Run(masters, stop_, direct);
            }
            refreshing_ = false;
        });
    Sync(true); // "Refreshing" at once
}

bool BrowserWindow::Create() {
    InitCommonControls(ICC_WIN95_CLASSES | ICC_BAR_CLASSES);
    RegisterToolClass(kClassName, &BrowserWindow::Proc, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND hwnd = ::CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 800, 500, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), this);
    if (!hwnd)
        return false;
    hwnd_.Reset(hwnd);
    dpi_ = WindowDpi(hwnd);
    fonts_.Make(dpi_);
    const auto make = [&](int id, const char* cls, const char* text, DWORD style, DWORD ex = 0) {
        HWND control = ::CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                         hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(Font::Default)),
                       FALSE);
        controls_[id] = control;
        return control;
    };
    for (const Placed& p : kRow)
        make(p.id, p.cls, p.text, p.style, p.id == kIdFind ? WS_EX_CLIENTEDGE : 0);
    if (!hooks_.typeAddress)
        ::ShowWindow(controls_[kIdAddress], SW_HIDE);
    if (!hooks_.details)
        ::ShowWindow(controls_[kIdDetails], SW_HIDE);
    const std::string installed = hooks_.installedVersion ? hooks_.installedVersion() : "";
    const std::string other = installed == kVersion100   ? " (1.0.1)"
                              : installed == kVersion101 ? " (1.0.0)"
                                                         : "";
    const std::string mine = installed.empty() ? "" : " (" + installed.substr(1) + ")";
    for (const std::string& choice : {std::string("Both versions"), "The installed version" + mine,
                                      "The other version" + other})
        ::SendMessageA(controls_[kIdVersion], CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(choice.c_str()));
    ::SendMessageA(controls_[kIdVersion], CB_SETCURSEL, static_cast<int>(filter_.version), 0);
    for (const char* choice : kShowChoices)
        ::SendMessageA(controls_[kIdShow], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    ::SendMessageA(controls_[kIdShow], CB_SETCURSEL, static_cast<int>(filter_.show), 0);
    for (const auto& [id, on] :
         {std::pair(kIdHideEmpty, filter_.hideEmpty), std::pair(kIdHideFull, filter_.hideFull),
          std::pair(kIdHidePassworded, filter_.hidePassworded),
          std::pair(kIdHideBots, filter_.hideBotsOnly)})
        ::SendMessageA(controls_[id], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SendMessageA(controls_[kIdFind], EM_SETCUEBANNER, TRUE,
                   reinterpret_cast<LPARAM>(L"Find a server, map, mod or player"));
    HWND list = make(kIdList, WC_LISTVIEWA, "",
                     LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
                     WS_EX_CLIENTEDGE);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = kColumns[i].format;
        column.cx = settings_.widths ? ::MulDiv((*settings_.widths)[i], dpi_, 96)
                                     : TwipsToPixels(kColumns[i].width, dpi_);
        column.pszText = const_cast<char*>(kColumns[i].title);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    HWND players =
        make(kIdPlayers, WC_LISTVIEWA, "",
             LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER | WS_TABSTOP, WS_EX_CLIENTEDGE);
    ::SendMessageA(players, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < 3; ++i) {
        static const char* const kTitles[] = {"Player", "Score", "Ping"};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.cx = TwipsToPixels(i == 0 ? 3300 : 1000, dpi_);
        column.pszText = const_cast<char*>(kTitles[i]);
        ::SendMessageA(players, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    make(kIdStatusBar, STATUSCLASSNAMEA, "", SBARS_SIZEGRIP);
    // The client area of the design, whatever the frame.
    RECT outer{}, client{};
    ::GetWindowRect(hwnd, &outer);
    ::GetClientRect(hwnd, &client);
    ::SetWindowPos(hwnd, nullptr, 0, 0,
                   TwipsToPixels(kClientWidth, dpi_) + (outer.right - outer.left) - client.right,
                   TwipsToPixels(kClientHeight, dpi_) + (outer.bottom - outer.top) - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The place it had, when that is still on a screen.
    if (const auto& place = settings_.place) {
        const RECT r{place->left, place->top, place->left + place->width,
                     place->top + place->height};
        if (::MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            ::GetWindowPlacement(hwnd, &placement);
            placement.rcNormalPosition = r;
            placement.showCmd = SW_HIDE;
            ::SetWindowPlacement(hwnd, &placement);
        }
    }
    Layout();
    UpdateFavouriteButton();
    ::SetTimer(hwnd, kTimerId, kTimerInterval, nullptr);
    Sync(true);
    return true;
}

void BrowserWindow::Show() {
    ::ShowWindow(hwnd_.Get(),
                 settings_.place && settings_.place->maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    ::SetFocus(controls_[kIdList]);
}

HWND BrowserWindow::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void BrowserWindow::Layout() {
    RECT client{};
    ::GetClientRect(hwnd_.Get(), &client);
    HWND bar = controls_[kIdStatusBar];
    ::SendMessageA(bar, WM_SIZE, 0, 0);
    RECT barRect{};
    ::GetWindowRect(bar, &barRect);
    const auto px = [&](int twips) { return TwipsToPixels(twips, dpi_); };
    for (const Placed& p : kRow) {
        // The find box takes what the row leaves.
        const int width = p.id == kIdFind
                              ? std::max<LONG>(px(600), client.right - px(p.left + kMargin))
                              : px(p.width);
        const bool combo = p.id == kIdVersion || p.id == kIdShow;
        ::SetWindowPos(controls_[p.id], nullptr, px(p.left), px(p.top), width,
                       combo ? px(kRowHeight * 6) : px(kRowHeight), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The players' list keeps its height at the bottom; the servers' takes the rest.
    const LONG width = std::max<LONG>(0, client.right - 2 * px(kMargin));
    const LONG playersBottom = client.bottom - (barRect.bottom - barRect.top) - px(kMargin / 2);
    const LONG playersTop = std::max<LONG>(px(kListTop), playersBottom - px(kPlayersHeight));
    ::SetWindowPos(controls_[kIdPlayers], nullptr, px(kMargin), playersTop, width,
                   playersBottom - playersTop, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(controls_[kIdList], nullptr, px(kMargin), px(kListTop), width,
                   std::max<LONG>(0, playersTop - px(kMargin / 2) - px(kListTop)),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void BrowserWindow::ReadFilter() {
    filter_.version = static_cast<VersionFilter>(
        std::clamp<LRESULT>(::SendMessageA(controls_[kIdVersion], CB_GETCURSEL, 0, 0), 0, 2));
    const auto checked = [&](int id) {
        return ::SendMessageA(controls_[id], BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    filter_.hideEmpty = checked(kIdHideEmpty);
    filter_.hideFull = checked(kIdHideFull);
    filter_.hidePassworded = checked(kIdHidePassworded);
    filter_.hideBotsOnly = checked(kIdHideBots);
    const auto show = static_cast<ShowFilter>(
        std::clamp<LRESULT>(::SendMessageA(controls_[kIdShow], CB_GETCURSEL, 0, 0), 0, 2));
    if (show == ShowFilter::Recent && filter_.show != show) { // newest first
        column_ = Column::Joined;
        descending_ = false;
    }
    filter_.show = show;
    filter_.text = WindowText(controls_[kIdFind]);
    // Written when it changed: the find box's keys change nothing kept.
    const std::string before = FiltersText(settings_.filter);
    settings_.filter = filter_;
    settings_.filter.text.clear();
    if (FiltersText(settings_.filter) != before)
        Save(kFiltersValue, FiltersText(settings_.filter));
    Sync(true);
}

int BrowserWindow::Selected() const {
    return static_cast<int>(::SendMessageA(controls_.at(kIdList), LVM_GETNEXTITEM,
                                           static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void BrowserWindow::Sync(bool force) {
    const std::uint64_t revision = model_.Revision();
    if (!force && revision == shownRevision_)
        return;
    shownRevision_ = revision;
    // The selection follows its server, wherever the new order puts it.
    const int selected = Selected();
    const bool keep = selected >= 0 && static_cast<std::size_t>(selected) < view_.rows.size();
    const ServerAddress kept = keep ? view_.rows[selected].address : ServerAddress{};
    const std::string installed = hooks_.installedVersion ? hooks_.installedVersion() : "";
    view_ = model_.Take(filter_, column_, descending_, installed);
    HWND list = controls_[kIdList];
    ::SendMessageA(list, LVM_SETITEMCOUNT, view_.rows.size(),
                   LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    for (std::size_t i = 0; keep && i < view_.rows.size(); ++i) {
        if (view_.rows[i].address != kept)
            continue;
        if (static_cast<int>(i) != selected) {
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            ::SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        }
        break;
    }
    ::InvalidateRect(list, nullptr, FALSE);
    if (const int error = socketError_)
        failure_ =
            "The list could not be refreshed: Windows Sockets error " + std::to_string(error) + ".";
    // With no master, the player's own servers are still counted.
    status_ = failure_.empty() ? StatusText(view_.counts, refreshing_)
              : view_.counts.servers == 0
                  ? failure_
                  : failure_ + "   " + StatusText(view_.counts, refreshing_);
    if (masters_.masters.size() > RefreshLimits{}.masters)
        status_ += "   Only the first " + std::to_string(RefreshLimits{}.masters) + " of " +
                   std::to_string(masters_.masters.size()) + " masters are asked.";
    for (const std::string& problem : loaded_.problems)
        status_ += "   " + problem;
    if (!masters_.rejected.empty()) {
        status_ += "   Not a master (\"Masters\" setting):";
        for (const std::string& word : masters_.rejected)
            status_ += " " + word;
    }
    ::SendMessageA(controls_[kIdStatusBar], SB_SETTEXTA, 0,
                   reinterpret_cast<LPARAM>(status_.c_str()));
    ShowPlayers(); // the selected server may have changed or gone
    UpdateFavouriteButton();
}

void BrowserWindow::JoinSelected() {
    const int selected = Selected();
    if (!hooks_.join || selected < 0 || static_cast<std::size_t>(selected) >= view_.rows.size())
        return;
    // A server the game cannot join is not offered: the status bar says why.
    const ServerRow& row = view_.rows[selected];
    if (const std::string why = WhyNotJoinable(row); !why.empty()) {
        status_ = why;
        ::SendMessageA(controls_[kIdStatusBar], SB_SETTEXTA, 0,
                       reinterpret_cast<LPARAM>(status_.c_str()));
        return;
    }
    settings_.recent = LoadSettings(store_).settings.recent; // another Quorin may have joined
    NoteJoined(settings_.recent, row.address, static_cast<std::int64_t>(std::time(nullptr)));
    Save(kRecentValue, RecentText(settings_.recent));
    hooks_.join(row);
}

bool BrowserWindow::PreTranslate(MSG& msg) {
    if (!hwnd_ || (msg.hwnd != hwnd_.Get() && !::IsChild(hwnd_.Get(), msg.hwnd)))
        return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F5) {
        Refresh();
        return true;
    }
    return ::IsDialogMessageA(hwnd_.Get(), &msg);
}

LRESULT CALLBACK BrowserWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<BrowserWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BrowserWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || !self->hwnd_)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT BrowserWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_.Get();
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_TIMER:
        if (wParam == kTimerId) {
            // The last tick of a refresh shows it ended.
            const bool ended = wasRefreshing_ && !refreshing_;
            wasRefreshing_ = refreshing_;
            Sync(ended);
            if (playersArrived_.exchange(false))
                ShowPlayers();
        }
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == kIdRefresh && code == BN_CLICKED)
            Refresh();
        else if (id == kIdAddress && code == BN_CLICKED && hooks_.typeAddress)
            hooks_.typeAddress();
        else if (id == kIdDetails && code == BN_CLICKED && hooks_.details && Selected() >= 0 &&
                 static_cast<std::size_t>(Selected()) < view_.rows.size())
            hooks_.details(view_.rows[Selected()]);
        else if (id == kIdFavouriteAddress && code == BN_CLICKED)
            AddFavouriteByAddress();
        else if (id == kIdMasters && code == BN_CLICKED)
            EditMasters();
        else if (id == kIdFavourite && code == BN_CLICKED && Selected() >= 0 &&
                 static_cast<std::size_t>(Selected()) < view_.rows.size())
            ToggleFavourite(view_.rows[Selected()].address);
        else if (((id == kIdVersion || id == kIdShow) && code == CBN_SELCHANGE) ||
                 (id == kIdFind && code == EN_CHANGE) ||
                 ((id == kIdHideEmpty || id == kIdHideFull || id == kIdHidePassworded ||
                   id == kIdHideBots) &&
                  code == BN_CLICKED))
            ReadFilter();
        else if (id == IDOK && ::GetFocus() == controls_[kIdList])
            JoinSelected();
        else if (id == IDCANCEL)
            ::SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CLOSE:
        SaveLayout();
        StopRefresh();
        ::ShowWindow(hwnd, SW_HIDE);
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

std::string BrowserWindow::NameAt(int list, std::size_t index) const {
    if (list == kIdPlayers)
        return index < playersShown_.size() ? playersShown_[index].name : std::string();
    return index < view_.rows.size() ? NameCell(view_.rows[index]) : std::string();
}

LRESULT BrowserWindow::OnNotify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (id != kIdList && id != kIdPlayers)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOA: {
        auto& item =
            const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header)).item;
        const auto index = static_cast<std::size_t>(item.iItem);
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iSubItem < 0)
            return 0;
        if (id == kIdPlayers) {
            if (index >= playersShown_.size() || item.iSubItem > 2)
                return 0;
            const Player& player = playersShown_[index];
            cell_ = item.iSubItem == 0   ? Uncoloured(player.name)
                    : item.iSubItem == 1 ? std::to_string(player.score)
                                         : std::to_string(player.ping);
        } else {
            if (index >= view_.rows.size() || item.iSubItem >= kColumnCount)
                return 0;
            const ServerRow& row = view_.rows[index];
            const Column column = static_cast<Column>(item.iSubItem);
            cell_ = column == Column::Name     ? Uncoloured(NameCell(row))
                    : column == Column::Joined ? JoinedText(row.joinedAt)
                                               : CellText(row, column);
        }
        ::lstrcpynA(item.pszText, cell_.c_str(), item.cchTextMax);
        return 0;
    }
    case LVN_COLUMNCLICK: {
        if (id != kIdList)
            return 0;
        const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
        const Column column = static_cast<Column>(click.iSubItem);
        descending_ = column == column_ ? !descending_ : false;
        column_ = column;
        settings_.column = column_;
        settings_.descending = descending_;
        Save(kSortValue, SortText(column_, descending_));
        Sync(true);
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (id == kIdList && (change.uNewState & LVIS_SELECTED) &&
            !(change.uOldState & LVIS_SELECTED))
            AskPlayers();
        if (id == kIdList && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            UpdateFavouriteButton();
        return 0;
    }
    case LVN_ITEMACTIVATE:
        if (id == kIdList)
            JoinSelected();
        return 0;
    case NM_CUSTOMDRAW:
        return DrawName(
            id, const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
    default:
        return 0;
    }
}

LRESULT BrowserWindow::DrawName(int id, NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    const std::size_t index = draw.nmcd.dwItemSpec;
    const std::string name = NameAt(id, index);
    if (draw.iSubItem != 0 || name.empty())
        return CDRF_DODEFAULT;
    HWND list = controls_[id];
    RECT cell{};
    cell.top = 0; // the whole subitem
    cell.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, index, reinterpret_cast<LPARAM>(&cell));
    // The first column's bounds are the whole row's: it ends where the second begins.
    cell.right = cell.left + static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const bool selected =
        ::SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED;
    ::FillRect(draw.nmcd.hdc, &cell, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    cell.left += 4;
    DrawRuns(draw.nmcd.hdc, cell, ColourRuns(name),
             ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    return CDRF_SKIPDEFAULT;
}

} // namespace quorin::win32
