// The list of servers as a refresh fills it, shared between the refresh's
// thread (which reports into it) and the window's (which takes views of it):
// every access holds its lock, and a view is a copy the window owns.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "console/server_text.h"
#include "net/server_refresh.h"

namespace quorin {

struct ServerRow {
    enum class State { Waiting, Answered, Silent };
    ServerAddress address;
    State state = State::Waiting;
    ServerInfo info;
    int pingMs = -1;
    std::optional<int> bots; // once the server's status has been read
    bool favourite = false;
    // The players whose names hold the find box's text, once the status is read.
    std::vector<std::string> matches;
    std::int64_t joinedAt = 0; // seconds since 1970, when the player last joined it; 0: never

    // "v1.0.0", "v1.0.1", or empty while the version is not known.
    std::string_view Version() const { return VersionOfProtocol(info.protocol); }
};

enum class Column { Name, Players, Map, Type, Mod, Version, Ping, Joined };
inline constexpr int kColumnCount = 8;

enum class VersionFilter { Both, Installed, Other };
// Every server, the favourites alone, or the servers joined lately alone.
enum class ShowFilter { All, Favourites, Recent };

struct ListFilter {
    VersionFilter version = VersionFilter::Both;
    bool hideEmpty = false;
    bool hideFull = false;
    bool hidePassworded = false;
    bool hideBotsOnly = false; // servers whose every player is a bot
    ShowFilter show = ShowFilter::All;
    // Matched in names (without colour codes, letter case ignored), maps,
    // mods and the players' names.
    std::string text;
};

struct ListCounts {
    std::size_t servers = 0; // listed by the masters, once each
    std::size_t v100 = 0, v101 = 0;
    std::size_t answered = 0, silent = 0;
    std::size_t masters = 0, mastersDone = 0;
};

// The text of one cell, for the columns other than the name.
std::string CellText(const ServerRow& row, Column column);
// Whether `row` passes `filter`, the installed version being `installed`.
bool Passes(const ServerRow& row, const ListFilter& filter, std::string_view installed);
// The order of two rows by `column`: rows not answering, then rows waiting,
// come last whichever way the column is sorted.
bool Before(const ServerRow& a, const ServerRow& b, Column column, bool descending);
// The players of a status reply (`score ping "name"` lines after the
// variables); nothing for a datagram that is no status reply.
std::optional<std::vector<Player>> PlayersOfStatus(std::string_view datagram);
// The players taken for bots: those with a ping of 0, as bots have.
int Bots(const std::vector<Player>& players);
// The names of `players` that hold `text`, both without colour codes and
// letter case ignored; nothing for an empty text.
std::vector<std::string> MatchingPlayers(const std::vector<Player>& players, std::string_view text);
// Why the game cannot join `row`, in words for the status bar; empty when
// it can.
std::string WhyNotJoinable(const ServerRow& row);
// The status bar's text.
std::string StatusText(const ListCounts& counts, bool refreshing);

// What one master gave in the last refresh.
struct MasterState {
    bool done = false;
    IRefreshSink::MasterOutcome outcome = IRefreshSink::MasterOutcome::Silent;
    std::size_t servers = 0;
};
// "answered", "no answer"... for the masters' dialog; `asked` false for a
// master the last refresh did not ask.
std::string MasterStateText(const MasterState& state, bool asked);

class ServerListModel : public IRefreshSink {
  public:
    // Empties the list for a refresh asking `masters` masters.
    void Start(std::size_t masters);
    // The player's favourites and the servers joined lately, marked in views.
    void SetMarks(std::vector<ServerAddress> favourites,
                  std::map<ServerAddress, std::int64_t> joined);
    // Changes whenever the list does.
    std::uint64_t Revision() const;

    struct View {
        std::vector<ServerRow> rows; // those that pass, in order
        ListCounts counts;           // over every row
    };
    View Take(const ListFilter& filter, Column column, bool descending,
              std::string_view installed) const;
    // The players read from the server's status: how many are bots.
    void SetBots(ServerAddress server, int bots);

    void MasterDone(std::size_t master, MasterOutcome outcome, std::size_t servers) override;
    void ServerListed(ServerAddress server) override;
    void ServerAnswered(ServerAddress server, const ServerInfo& info, int pingMs) override;
    void ServerSilent(ServerAddress server) override;
    void ServerStatus(ServerAddress server, std::string_view datagram) override;
    // The players of the server's status, when it has been read.
    std::optional<std::vector<Player>> PlayersOf(ServerAddress server) const;
    // Each master asked by the last refresh, in the order given.
    std::vector<MasterState> Masters() const;

  private:
    ServerRow* Find(ServerAddress server);

    mutable std::mutex lock_;
    std::vector<ServerRow> rows_;
    std::map<ServerAddress, std::size_t> index_;
    std::map<ServerAddress, std::vector<Player>> players_;
    std::vector<MasterState> masters_;
    std::set<ServerAddress> favourites_;
    std::map<ServerAddress, std::int64_t> joined_;
    ListCounts counts_;
    std::uint64_t revision_ = 0;
};

} // namespace quorin
