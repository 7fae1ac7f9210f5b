// The commands of "Quorin - Servers" that change what is asked or kept: the
// refresh on its own thread, the favourites, the masters, and the settings
// written back as the player changes them.
#include "browser/win32/browser_window.h"
#include "browser/win32/favourite_dialog.h"
#include "browser/win32/masters_dialog.h"
#include "net/win32/datagram_socket_win32.h"

#include <ntsecapi.h>

namespace quorin::win32 {
namespace {

std::uint64_t RandomSeed() {
    std::uint64_t seed = 0;
    if (!::RtlGenRandom(&seed, sizeof seed)) {
        LARGE_INTEGER counter;
        ::QueryPerformanceCounter(&counter);
        seed = static_cast<std::uint64_t>(counter.QuadPart) ^ ::GetCurrentProcessId();
    }
    return seed;
}

} // namespace

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

} // namespace quorin::win32
