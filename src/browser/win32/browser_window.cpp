// The window "Quorin - Servers": its controls as the design places them,
// their layout, and its messages. The list's rows are in browser_list.cpp,
// the selected server's players in browser_players.cpp, the refresh and the
// player's lists (favourites, masters) in browser_commands.cpp.
#include "browser/win32/browser_window.h"

#include "common/control_design.h"
#include "common/versions.h"
#include "common/win32/system_dll.h"

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

} // namespace

BrowserWindow::BrowserWindow(ISettingsStore& store, Hooks hooks)
    : store_(store), loaded_(LoadSettings(store)), masters_(ParseMasterNames(settings_.masters)),
      hooks_(std::move(hooks)) {
    filter_ = settings_.filter;
    column_ = settings_.column;
    descending_ = settings_.descending;
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

} // namespace quorin::win32
