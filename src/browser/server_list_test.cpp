#include "browser/server_list.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

ServerRow Bare(unsigned n, ServerRow::State state = ServerRow::State::Waiting) {
    ServerRow row;
    row.address = {0x7F000001, static_cast<std::uint16_t>(n)};
    row.state = state;
    return row;
}

ListFilter Filter(VersionFilter version, bool empty = false, bool full = false, bool pass = false,
                  std::string text = "") {
    ListFilter filter;
    filter.version = version;
    std::tie(filter.hideEmpty, filter.hideFull, filter.hidePassworded) =
        std::tie(empty, full, pass);
    filter.text = std::move(text);
    return filter;
}

// A server answered with `protocol`, `clients` of 16, `name`, map, mod.
ServerRow Row(unsigned n, int protocol, int clients, std::string name, int ping = 50,
              bool pass = false, std::string map = "mp/ffa3", std::string mod = "") {
    ServerRow row = Bare(n, ServerRow::State::Answered);
    row.info = {protocol, std::move(name), std::move(map), std::move(mod), clients, 16, 0, pass};
    row.pingMs = ping;
    return row;
}

TEST(ServerList, FiltersGiveTheirRows) {
    const std::vector<ServerRow> rows = {Row(1, 25, 3, "^1Red ^7Base"),
                                         Row(2, 26, 0, "Empty one"),
                                         Row(3, 26, 16, "Full one"),
                                         Row(4, 26, 5, "Locked", 50, true),
                                         Row(5, 26, 2, "Modded", 50, false, "mp/duel1", "JAPlus"),
                                         Bare(6),
                                         Row(7, 26, 1, "Solo")};
    std::vector<ServerRow> marked = rows;
    marked[0].bots = 3; // every player a bot
    marked[1].bots = 0; // nobody there
    marked[3].bots = 2; // some
    marked[6].bots = 1;
    marked[6].info.maxClients = 1;
    marked[1].favourite = marked[4].favourite = true;
    marked[4].joinedAt = 1;
    const auto with = [](auto member, auto value) {
        ListFilter filter;
        filter.*member = value;
        return filter;
    };
    const struct {
        const char* what;
        ListFilter filter;
        std::string passing;
    } cases[] = {
        {"no bots alone", with(&ListFilter::hideBotsOnly, true), "23456"},
        {"favourites", with(&ListFilter::show, ShowFilter::Favourites), "25"},
        {"recent", with(&ListFilter::show, ShowFilter::Recent), "5"},
        {"everything", Filter(VersionFilter::Both), "1234567"},
        {"the installed version", Filter(VersionFilter::Installed), "1"},
        {"the other version", Filter(VersionFilter::Other), "23457"},
        {"no empty", Filter(VersionFilter::Both, true), "134567"},
        {"no full", Filter(VersionFilter::Both, false, true), "12456"},
        {"no password", Filter(VersionFilter::Both, false, false, true), "123567"},
        {"a name without its colours", Filter(VersionFilter::Both, false, false, false, "red base"),
         "1"},
        {"a map", Filter(VersionFilter::Both, false, false, false, "DUEL"), "5"},
        {"a mod", Filter(VersionFilter::Both, false, false, false, "japl"), "5"},
        {"text matches no address", Filter(VersionFilter::Both, false, false, false, "127.0"), ""},
    };
    for (const auto& c : cases) {
        std::string passing;
        for (const ServerRow& row : marked)
            if (Passes(row, c.filter, "v1.0.0"))
                passing += std::to_string(row.address.port);
        EXPECT_EQ(passing, c.passing) << c.what;
    }
    ServerRow byPlayer = Row(8, 26, 1, "x"); // one of its players' names holds the text
    byPlayer.matches = {"Kyle"};
    EXPECT_TRUE(Passes(byPlayer, Filter(VersionFilter::Both, false, false, false, "kyle"), ""));
}

TEST(ServerList, EveryColumnSortsBothWaysWithTheSilentLast) {
    ServerListModel model;
    model.Start(1);
    const std::vector<ServerRow> rows = {Row(1, 25, 3, "^1b", 80, false, "mp/b", "x"),
                                         Row(2, 26, 12, "a", 20, false, "mp/c", ""),
                                         Row(3, 26, 7, "C", 40, false, "mp/a", "y")};
    for (const ServerRow& row : rows) {
        model.ServerListed(row.address);
        model.ServerAnswered(row.address, row.info, row.pingMs);
    }
    model.SetBots(rows[0].address, 5); // more than it has: none counted
    model.SetBots(rows[1].address, 10);
    model.SetBots(rows[2].address, 7); // bots alone
    model.ServerListed({0x7F000001, 4});
    model.ServerSilent({0x7F000001, 4});
    model.ServerListed({0x7F000001, 5}); // still waiting
    const std::pair<Column, std::string> cases[] = {
        {Column::Name, "2134"}, {Column::Players, "3214"}, {Column::Map, "3124"},
        {Column::Mod, "2134"},  {Column::Version, "1234"}, {Column::Ping, "2314"},
    };
    for (const auto& [column, order] : cases)
        for (const bool descending : {false, true}) {
            std::string seen;
            for (const ServerRow& row : model.Take({}, column, descending, "v1.0.0").rows)
                seen += std::to_string(row.address.port);
            std::string expected = order.substr(0, 3);
            if (descending)
                std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(seen, expected + "54") << static_cast<int>(column) << descending;
        }
}

TEST(ServerList, CellsSayWhatIsKnown) {
    const auto with = [](std::optional<int> bots, int clients = 5, int slots = 16) {
        ServerRow row = Row(1, 26, clients, "x");
        row.bots = bots;
        row.info.maxClients = slots;
        return row;
    };
    const ServerRow bots = with(2);
    const ServerRow silent = Bare(2, ServerRow::State::Silent);
    const ServerRow other = Row(3, 71, 1, "oa");
    const std::tuple<ServerRow, Column, std::string> cases[] = {
        {bots, Column::Players, "3/16 + 2 bots"},
        {with(1), Column::Players, "4/16 + 1 bot"},
        {with(5), Column::Players, "0/16 + 5 bots"},
        {with(0), Column::Players, "5/16"},
        {with({}, 0), Column::Players, "0/16"},
        {with({}, -1), Column::Players, ""},
        {with({}, 3, 0), Column::Players, "3/0"},
        {bots, Column::Version, "v1.0.1"},
        {bots, Column::Ping, "50"},
        {Bare(2), Column::Ping, "..."},
        {silent, Column::Ping, "not responding"},
        {silent, Column::Players, ""},
        {silent, Column::Name, "127.0.0.1:2"},
        {other, Column::Version, "protocol 71"},
    };
    for (const auto& [row, column, text] : cases)
        EXPECT_EQ(CellText(row, column), text) << text;
    EXPECT_EQ(MasterStateText({true, IRefreshSink::MasterOutcome::Listed, 3}, false),
              "not asked yet");
    EXPECT_EQ(MasterStateText({}, true), "asking...");
    EXPECT_EQ(WhyNotJoinable(bots), "");
    EXPECT_EQ(WhyNotJoinable(silent), "127.0.0.1:2 does not answer: there is nothing to join.");
    EXPECT_EQ(WhyNotJoinable(other), "127.0.0.1:3 plays protocol 71, neither 1.0.0 (25) nor 1.0.1 "
                                     "(26): the game cannot join it.");
    EXPECT_EQ(WhyNotJoinable(Bare(4)), "127.0.0.1:4 has not answered yet.");
}

TEST(ServerList, PlayersAndBotsOfAStatusReply) {
    const std::string header = "\xFF\xFF\xFF\xFFstatusResponse\n";
    const std::pair<std::string, std::string> cases[] = {
        {header + "\\a\\1\n12 48 \"^1Kyle\"\n0 0 \"Bot\"\n3 9 \"Jan\"",
         "^1Kyle 12 48,Bot 0 0,Jan 3 9,"},
        {header + "\\a\\1\n", ""},
        {header + "\\a\\1\nnot a player\n", ""},
        {header, ""},
        {"\xFF\xFF\xFF\xFFinfoResponse\n\\a\\1\n1 2 \"x\"", "none"},
    };
    for (const auto& [datagram, seen] : cases) {
        const auto players = PlayersOfStatus(datagram);
        std::string text = players ? "" : "none";
        for (const Player& p : players.value_or(std::vector<Player>{}))
            text += p.name + " " + std::to_string(p.score) + " " + std::to_string(p.ping) + ",";
        EXPECT_EQ(text, seen) << datagram;
    }
    EXPECT_EQ(Bots(*PlayersOfStatus(cases[0].first)), 1);
}

TEST(ServerList, ASecondAnswerOrAStrangerChangesNothing) {
    ServerListModel model;
    model.Start(2);
    const ServerRow row = Row(1, 26, 5, "first");
    model.ServerListed(row.address);
    model.ServerListed(row.address);
    model.ServerAnswered(row.address, row.info, 10);
    model.ServerAnswered(row.address, Row(1, 25, 1, "second").info, 10);
    model.ServerAnswered({1, 1}, row.info, 10);
    model.MasterDone(0, IRefreshSink::MasterOutcome::Listed, 1);
    const auto view = model.Take({}, Column::Name, false, "v1.0.0");
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].info.hostname, "first");
    EXPECT_EQ(StatusText(view.counts, true), "1.0.0: 0 servers   1.0.1: 1 server   1 answered, 0 "
                                             "not responding   Refreshing: 1 of 1 servers, 1 of 2 "
                                             "masters");
}

TEST(ServerList, PlayersFoundWithoutColoursOrCase) {
    const std::vector<Player> players = {{12, 48, "^1Kyle^7 Katarn"}, {0, 0, "^3Bot^5Rosh"}};
    const struct {
        const char* text;
        std::vector<std::string> found;
    } cases[] = {
        {"kyle katarn", {"^1Kyle^7 Katarn"}},
        {"^2KYLE ^7kat", {"^1Kyle^7 Katarn"}},
        {"T", {"^1Kyle^7 Katarn", "^3Bot^5Rosh"}},
        {"BotRosh", {"^3Bot^5Rosh"}},
        {"^1", {}},
        {"jan", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchingPlayers(players, c.text), c.found) << c.text;
}

TEST(ServerList, ARefreshStartsFromNothingAndKeepsWhatEachServerSaid) {
    ServerListModel model;
    const ServerAddress a{0x7F000001, 1}, b{0x7F000001, 2}, stranger{1, 1};
    const std::string status = "\xFF\xFF\xFF\xFFstatusResponse\n\\a\\1\n12 48 \"^1Kyle\"\n";
    model.Start(2);
    model.SetMarks({}, {{a, 5}});
    model.ServerListed(a);
    model.ServerListed(b);
    model.ServerAnswered(a, Row(1, 26, 1, "a").info, 10);
    for (const ServerAddress server : {a, b, stranger}) { // a has answered already
        model.ServerSilent(server);
        model.ServerStatus(server, server == b ? "not a status" : status);
    }
    ListFilter recent, kyle;
    recent.show = ShowFilter::Recent;
    kyle.text = "kyle";
    const auto joined = model.Take(recent, Column::Name, false, "").rows;
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].joinedAt, 5);
    const auto view = model.Take(kyle, Column::Name, false, "");
    ASSERT_EQ(view.rows.size(), 1u); // only a: Kyle plays there
    EXPECT_EQ(view.rows[0].matches, std::vector<std::string>{"^1Kyle"});
    EXPECT_EQ(view.counts.silent, 1u);
    EXPECT_TRUE(model.PlayersOf(a));
    EXPECT_FALSE(model.PlayersOf(b));
    model.Start(1);
    EXPECT_TRUE(model.Take({}, Column::Name, false, "").rows.empty());
    EXPECT_FALSE(model.PlayersOf(a));
    EXPECT_EQ(model.Masters().size(), 1u);
    model.ServerListed(a);
    EXPECT_EQ(model.Take({}, Column::Name, false, "").rows.size(), 1u);
}

} // namespace
} // namespace quorin
