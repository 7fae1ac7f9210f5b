#include "browser/server_list.h"

#include <algorithm>
#include <tuple>

#include "common/keyed_collection.h"
#include "common/versions.h"
#include "console/server_text.h"
#include "net/status_reply.h"

namespace quorin {
namespace {

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What sorts a column: numbers as numbers, texts without colours or case.
std::tuple<long long, std::string> Key(const ServerRow& row, Column column) {
    switch (column) {
    case Column::Name:
        return {0, FoldCase(Uncoloured(row.info.hostname))};
    case Column::Players: { // by humans, then by players, then by places
        const int bots = row.bots && *row.bots <= row.info.clients ? *row.bots : 0;
        return {(row.info.clients - bots) * 100'000'000LL + row.info.clients * 10000LL +
                    row.info.maxClients,
                {}};
    }
    case Column::Ping:
        return {row.pingMs, {}};
    case Column::Type:
        return {0, std::string(GametypeName(row.info.gametype))};
    case Column::Joined: // the latest first when ascending
        return {-row.joinedAt, {}};
    default:
        return {0, FoldCase(CellText(row, column))};
    }
}

} // namespace

std::string CellText(const ServerRow& row, Column column) {
    const ServerInfo& info = row.info;
    switch (column) {
    case Column::Name:
        return info.hostname.empty() ? AddressText(row.address) : info.hostname;
    case Column::Players: {
        if (row.state != ServerRow::State::Answered || info.clients < 0)
            return {};
        const std::string slots = info.maxClients >= 0 ? "/" + std::to_string(info.maxClients) : "";
        if (!row.bots || *row.bots <= 0 || *row.bots > info.clients)
            return std::to_string(info.clients) + slots;
        return std::to_string(info.clients - *row.bots) + slots + " + " +
               Plural(static_cast<std::size_t>(*row.bots), "bot", "bots");
    }
    case Column::Map:
        return info.mapname;
    case Column::Type:
        return std::string(GametypeName(info.gametype));
    case Column::Mod:
        return info.game;
    case Column::Version:
        return row.state == ServerRow::State::Answered && row.Version().empty()
                   ? "protocol " + std::to_string(info.protocol)
                   : std::string(row.Version());
    case Column::Joined: // the window writes the time in the player's own way
        return {};
    case Column::Ping:
        if (row.state == ServerRow::State::Silent)
            return "not responding";
        return row.state == ServerRow::State::Answered ? std::to_string(row.pingMs) : "...";
    }
    return {};
}

bool Passes(const ServerRow& row, const ListFilter& filter, std::string_view installed) {
    const std::string_view version = row.Version();
    if (filter.version == VersionFilter::Installed && (version.empty() || version != installed))
        return false;
    if (filter.version == VersionFilter::Other && (version.empty() || version == installed))
        return false;
    const ServerInfo& info = row.info;
    if (filter.hideEmpty && info.clients == 0)
        return false;
    if (filter.hideFull && info.maxClients > 0 && info.clients >= info.maxClients)
        return false;
    if (filter.hidePassworded && info.needPass)
        return false;
    if (filter.hideBotsOnly && row.bots && info.clients > 0 && *row.bots >= info.clients)
        return false;
    if (filter.show == ShowFilter::Favourites && !row.favourite)
        return false;
    if (filter.show == ShowFilter::Recent && row.joinedAt == 0)
        return false;
    if (filter.text.empty() || !row.matches.empty())
        return true;
    const std::string wanted = FoldCase(Uncoloured(filter.text));
    for (const std::string& text : {Uncoloured(info.hostname), info.mapname, info.game})
        if (FoldCase(text).find(wanted) != std::string::npos)
            return true;
    return false;
}

bool Before(const ServerRow& a, const ServerRow& b, Column column, bool descending) {
    // Answered, waiting, not responding: that order whatever the direction.
    const auto rank = [](const ServerRow& r) {
        return r.state == ServerRow::State::Answered  ? 0
               : r.state == ServerRow::State::Waiting ? 1
                                                      : 2;
    };
    if (rank(a) != rank(b))
        return rank(a) < rank(b);
    // Equals by address, so that the reverse order is exactly the reverse.
    const auto ka = std::pair(Key(a, column), a.address), kb = std::pair(Key(b, column), b.address);
    return descending ? kb < ka : ka < kb;
}

std::optional<std::vector<Player>> PlayersOfStatus(std::string_view datagram) {
    const StatusReply reply = ParseStatusReply(datagram);
    if (!reply.headerPresent)
        return std::nullopt;
    std::vector<Player> players;
    if (reply.pairs.empty())
        return players;
    for (const std::string& line :
         PlayerLines(reply.pairs.back().second).value_or(std::vector<std::string>{}))
        if (const auto one = ParsePlayers(line))
            players.insert(players.end(), one->begin(), one->end());
    return players;
}

std::string WhyNotJoinable(const ServerRow& row) {
    const std::string server = AddressText(row.address);
    if (row.state == ServerRow::State::Silent)
        return server + " does not answer: there is nothing to join.";
    if (row.state == ServerRow::State::Waiting)
        return server + " has not answered yet.";
    if (row.Version().empty())
        return server + " plays protocol " + std::to_string(row.info.protocol) +
               ", neither 1.0.0 (25) nor 1.0.1 (26): the game cannot join it.";
    return {};
}

int Bots(const std::vector<Player>& players) {
    return static_cast<int>(
        std::count_if(players.begin(), players.end(), [](const Player& p) { return p.ping == 0; }));
}

std::vector<std::string> MatchingPlayers(const std::vector<Player>& players,
                                         std::string_view text) {
    std::vector<std::string> names;
    const std::string wanted = FoldCase(Uncoloured(text));
    if (wanted.empty())
        return names;
    for (const Player& player : players)
        if (FoldCase(Uncoloured(player.name)).find(wanted) != std::string::npos)
            names.push_back(player.name);
    return names;
}

std::string StatusText(const ListCounts& c, bool refreshing) {
    std::string text = "1.0.0: " + Plural(c.v100, "server", "servers") +
                       "   1.0.1: " + Plural(c.v101, "server", "servers") + "   " +
                       std::to_string(c.answered) + " answered, " + std::to_string(c.silent) +
                       " not responding";
    if (refreshing)
        text += "   Refreshing: " + std::to_string(c.answered + c.silent) + " of " +
                std::to_string(c.servers) + " servers, " + std::to_string(c.mastersDone) + " of " +
                Plural(c.masters, "master", "masters");
    return text;
}

void ServerListModel::SetMarks(std::vector<ServerAddress> favourites,
                               std::map<ServerAddress, std::int64_t> joined) {
    const std::lock_guard hold(lock_);
    favourites_ = {favourites.begin(), favourites.end()};
    joined_ = std::move(joined);
    ++revision_;
}

void ServerListModel::Start(std::size_t masters) {
    const std::lock_guard hold(lock_);
    rows_.clear();
    index_.clear();
    players_.clear();
    counts_ = {};
    counts_.masters = masters;
    masters_.assign(masters, MasterState{});
    ++revision_;
}

std::uint64_t ServerListModel::Revision() const {
    const std::lock_guard hold(lock_);
    return revision_;
}

ServerListModel::View ServerListModel::Take(const ListFilter& filter, Column column,
                                            bool descending, std::string_view installed) const {
    View view;
    {
        const std::lock_guard hold(lock_);
        view.counts = counts_;
        for (ServerRow row : rows_) {
            row.favourite = favourites_.contains(row.address);
            const auto joined = joined_.find(row.address);
            row.joinedAt = joined == joined_.end() ? 0 : joined->second;
            if (const auto players = players_.find(row.address); players != players_.end())
                row.matches = MatchingPlayers(players->second, filter.text);
            if (Passes(row, filter, installed))
                view.rows.push_back(std::move(row));
        }
    }
    std::sort(view.rows.begin(), view.rows.end(), [&](const ServerRow& a, const ServerRow& b) {
        return Before(a, b, column, descending);
    });
    return view;
}

void ServerListModel::SetBots(ServerAddress server, int bots) {
    const std::lock_guard hold(lock_);
    if (ServerRow* row = Find(server)) {
        row->bots = bots;
        ++revision_;
    }
}

std::string MasterStateText(const MasterState& state, bool asked) {
    if (!asked)
        return "not asked yet";
    if (!state.done)
        return "asking...";
    switch (state.outcome) {
    case IRefreshSink::MasterOutcome::Unresolved:
        return "name not found";
    case IRefreshSink::MasterOutcome::Silent:
        return "no answer";
    case IRefreshSink::MasterOutcome::Listed:
        return "answered";
    }
    return {};
}

std::vector<MasterState> ServerListModel::Masters() const {
    const std::lock_guard hold(lock_);
    return masters_;
}

void ServerListModel::MasterDone(std::size_t master, MasterOutcome outcome, std::size_t servers) {
    const std::lock_guard hold(lock_);
    if (master < masters_.size())
        masters_[master] = {true, outcome, servers};
    ++counts_.mastersDone;
    ++revision_;
}

void ServerListModel::ServerListed(ServerAddress server) {
    const std::lock_guard hold(lock_);
    if (index_.emplace(server, rows_.size()).second) {
        ServerRow& row = rows_.emplace_back();
        row.address = server;
        ++counts_.servers;
        ++revision_;
    }
}

void ServerListModel::ServerAnswered(ServerAddress server, const ServerInfo& info, int pingMs) {
    const std::lock_guard hold(lock_);
    ServerRow* row = Find(server);
    if (!row || row->state != ServerRow::State::Waiting)
        return;
    row->state = ServerRow::State::Answered;
    row->info = info;
    row->pingMs = pingMs;
    ++counts_.answered;
    counts_.v100 += row->Version() == kVersion100;
    counts_.v101 += row->Version() == kVersion101;
    ++revision_;
}

void ServerListModel::ServerSilent(ServerAddress server) {
    const std::lock_guard hold(lock_);
    ServerRow* row = Find(server);
    if (!row || row->state != ServerRow::State::Waiting)
        return;
    row->state = ServerRow::State::Silent;
    ++counts_.silent;
    ++revision_;
}

void ServerListModel::ServerStatus(ServerAddress server, std::string_view datagram) {
    auto players = PlayersOfStatus(datagram);
    const std::lock_guard hold(lock_);
    ServerRow* row = Find(server);
    if (!row || !players)
        return;
    row->bots = Bots(*players);
    players_[server] = std::move(*players);
    ++revision_;
}

std::optional<std::vector<Player>> ServerListModel::PlayersOf(ServerAddress server) const {
    const std::lock_guard hold(lock_);
    const auto found = players_.find(server);
    if (found == players_.end())
        return std::nullopt;
    return found->second;
}

ServerRow* ServerListModel::Find(ServerAddress server) {
    const auto found = index_.find(server);
    return found == index_.end() ? nullptr : &rows_[found->second];
}

} // namespace quorin
