// The selected server's players in "Quorin - Servers": its status asked on
// a thread of the window's own when the refresh has not read it, and shown
// in the list below the servers.
#include "browser/win32/browser_window.h"
#include "net/status_reply.h"
#include "net/win32/datagram_socket_win32.h"

namespace quorin::win32 {

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

} // namespace quorin::win32
