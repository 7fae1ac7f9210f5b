#include "net/server_refresh.h"

#include <gtest/gtest.h>

#include <functional>
#include <queue>
#include <set>

namespace quorin {
namespace {

constexpr ServerAddress kMaster{0x7F000001, 29060};
const std::string kList("\xFF\xFF\xFF\xFFgetserversResponse");
const std::string kEot("\\EOT\0\0\0", 7);

ServerAddress Server(unsigned n) {
    return {0x7F000100u + n, static_cast<std::uint16_t>(29070 + n)};
}

std::string Records(unsigned from, unsigned count) {
    std::string out;
    for (unsigned n = from; n < from + count; ++n) {
        const ServerAddress a = Server(n);
        for (const unsigned byte : {unsigned('\\'), a.ip >> 24, a.ip >> 16, a.ip >> 8, a.ip,
                                    unsigned(a.port) >> 8, unsigned(a.port)})
            out += static_cast<char>(byte & 0xFF);
    }
    return out;
}

std::string Info(std::string_view request, const std::string& more = "") {
    const std::string challenge(request.substr(request.find(' ') + 1));
    return "\xFF\xFF\xFF\xFFinfoResponse\n\\challenge\\" + challenge + "\\protocol\\26" + more;
}

// A network in simulated time: each address answers a request with
// datagrams after their delays; Receive moves the clock to the next one.
class Network : public IDatagramSocket {
  public:
    struct Reply {
        Reply(std::int64_t delay, std::string bytes, std::optional<ServerAddress> sender = {})
            : delayMicros(delay), datagram(std::move(bytes)), from(sender) {}
        std::int64_t delayMicros;
        std::string datagram;
        std::optional<ServerAddress> from; // the address asked, unless set
    };
    using Peer = std::function<std::vector<Reply>(std::string_view request)>;
    std::map<ServerAddress, Peer> peers;
    std::vector<std::pair<ServerAddress, std::int64_t>> sent; // getinfo: to whom, when
    std::vector<std::pair<ServerAddress, std::int64_t>> statusSent;

    std::optional<std::uint32_t> Resolve(const std::string&) override { return std::nullopt; }
    bool SendTo(ServerAddress to, std::string_view datagram) override {
        if (datagram.find("getinfo") != std::string_view::npos)
            sent.emplace_back(to, now_);
        if (datagram.find("getstatus") != std::string_view::npos)
            statusSent.emplace_back(to, now_);
        if (const auto peer = peers.find(to); peer != peers.end())
            for (Reply& r : peer->second(datagram))
                pending_.push({now_ + r.delayMicros, order_++, r.from.value_or(to), r.datagram});
        return true;
    }
    std::optional<Arrival> Receive(std::int64_t timeoutMicros) override {
        if (pending_.empty() || pending_.top().at > now_ + timeoutMicros) {
            now_ += std::max<std::int64_t>(timeoutMicros, 1);
            return std::nullopt;
        }
        const Pending next = pending_.top();
        pending_.pop();
        now_ = std::max(now_, next.at);
        return Arrival{next.from, next.datagram, now_};
    }
    std::int64_t NowMicros() override { return now_; }

  private:
    struct Pending {
        std::int64_t at;
        std::uint64_t order;
        ServerAddress from;
        std::string datagram;
        bool operator<(const Pending& o) const {
            return std::tie(at, order) > std::tie(o.at, o.order);
        }
    };
    std::int64_t now_ = 0;
    std::uint64_t order_ = 0;
    std::priority_queue<Pending> pending_;
};

// What a refresh reported: one line per server, by address.
struct Rows : IRefreshSink {
    std::map<ServerAddress, std::string> rows;
    std::vector<MasterOutcome> masters;
    int answers = 0;
    void MasterDone(std::size_t, MasterOutcome outcome, std::size_t servers) override {
        masters.push_back(outcome);
        given = servers;
    }
    std::size_t given = 0; // by the last master done
    void ServerListed(ServerAddress s) override { rows[s] = "listed"; }
    void ServerAnswered(ServerAddress s, const ServerInfo& info, int pingMs) override {
        ++answers;
        rows[s] = info.hostname + " " + std::to_string(pingMs) + " ms";
    }
    void ServerSilent(ServerAddress s) override { rows[s] = "silent"; }
    void ServerStatus(ServerAddress s, std::string_view datagram) override {
        statuses[s].emplace_back(datagram);
    }
    std::map<ServerAddress, std::vector<std::string>> statuses;
};

struct Refresh : ::testing::Test {
    Network network;
    Rows sink;
    void Run(RefreshLimits limits = {}, const std::vector<ServerAddress>& direct = {}) {
        std::atomic<bool> stop{false};
        ServerRefresh(network, sink, 7, limits).Run({{"127.0.0.1", 29060}}, stop, direct);
    }
    // The master lists servers 0..count-1 for each version, all in one datagram.
    void ListServers(unsigned count) {
        network.peers[kMaster] = [=](std::string_view) {
            return std::vector<Network::Reply>{{2000, kList + Records(0, count) + kEot}};
        };
    }
    void Answer(unsigned n, std::int64_t delayMicros, const std::string& name) {
        network.peers[Server(n)] = [=](std::string_view request) {
            return std::vector<Network::Reply>{{delayMicros, Info(request, "\\hostname\\" + name)}};
        };
    }
};

TEST_F(Refresh, EveryServerOnceWithItsPingOrAsNotResponding) {
    ListServers(3); // both versions' lists name the same three
    Answer(0, 12'000, "a");
    Answer(1, 97'400, "b");
    Run();
    EXPECT_EQ(sink.rows[Server(0)], "a 12 ms");
    EXPECT_EQ(sink.rows[Server(1)], "b 97 ms");
    EXPECT_EQ(sink.rows[Server(2)], "silent");
    EXPECT_EQ(sink.rows.size(), 3u);
    EXPECT_EQ(sink.masters, (std::vector{IRefreshSink::MasterOutcome::Listed}));
}

TEST_F(Refresh, ThePlayersOwnServersAreAskedWithTheMasterDownAndOnceWithItUp) {
    Answer(5, 1000, "favourite");
    Run({}, {Server(5), Server(6), Server(5), {0, 29070}});
    EXPECT_EQ(sink.rows[Server(5)], "favourite 1 ms");
    EXPECT_EQ(sink.rows[Server(6)], "silent");
    EXPECT_EQ(sink.rows.size(), 2u); // the twice-given once, the impossible not at all
    network.sent.clear();
    ListServers(6); // the master names both again
    Run({}, {Server(5)});
    EXPECT_EQ(sink.given, 6u); // the player's own counted for the master too
    EXPECT_EQ(std::count_if(network.sent.begin(), network.sent.end(),
                            [](const auto& s) { return s.first == Server(5); }),
              1);
}

TEST_F(Refresh, EachAnsweringServersStatusIsAskedOnceAndRetriedASecondLater) {
    ListServers(3);
    const std::string status = "\xFF\xFF\xFF\xFFstatusResponse\n\\a\\b\n1 0 \"bot\"\n";
    for (unsigned n : {0u, 1u})
        network.peers[Server(n)] = [=](std::string_view request) {
            if (request.find("getinfo") != std::string_view::npos)
                return std::vector<Network::Reply>{{1000, Info(request)}};
            if (n == 1) // its status never comes
                return std::vector<Network::Reply>{};
            return std::vector<Network::Reply>{{1000, status}, {2000, status}};
        };
    Run();
    EXPECT_EQ(sink.statuses[Server(0)], std::vector<std::string>{status}); // the second: no
    EXPECT_EQ(sink.statuses.count(Server(1)), 0u);
    std::map<ServerAddress, std::vector<std::int64_t>> asked;
    for (const auto& [to, when] : network.statusSent)
        asked[to].push_back(when);
    EXPECT_EQ(asked[Server(0)].size(), 1u);
    ASSERT_EQ(asked[Server(1)].size(), 2u);
    EXPECT_GE(asked[Server(1)][1] - asked[Server(1)][0], 1'000'000);
    EXPECT_EQ(asked.count(Server(2)), 0u); // it never answered getinfo
}

TEST_F(Refresh, ASilentServerIsAskedThreeTimesASecondApart) {
    ListServers(1);
    Run();
    ASSERT_EQ(network.sent.size(), 3u);
    EXPECT_GE(network.sent[1].second - network.sent[0].second, 1'000'000);
    EXPECT_GE(network.sent[2].second - network.sent[1].second, 1'000'000);
}

TEST_F(Refresh, ALateAnswerCountsAgainstItsOwnRequest) {
    ListServers(1);
    // The first request's answer arrives 1.2 s late, after the second request.
    network.peers[Server(0)] = [n = 0](std::string_view request) mutable {
        return std::vector<Network::Reply>{{n++ == 0 ? 1'200'000 : 5'000'000, Info(request)}};
    };
    Run();
    EXPECT_EQ(sink.rows[Server(0)], " 1200 ms");
}

TEST_F(Refresh, AtMostTheLimitOfServersWaitAtOnce) {
    ListServers(200);
    Run();
    std::set<ServerAddress> early;
    for (const auto& [server, when] : network.sent)
        if (when < 2'900'000)
            early.insert(server);
    EXPECT_EQ(early.size(), 64u);
    EXPECT_EQ(sink.rows.size(), 200u);
}

TEST_F(Refresh, HostileServersCountForNothing) {
    ListServers(5);
    const auto reply = [&](unsigned n,
                           std::function<std::vector<Network::Reply>(std::string_view)> f) {
        network.peers[Server(n)] = f;
    };
    reply(0, [](std::string_view) {
        return std::vector<Network::Reply>{{1000, Info("getinfo other")}};
    });
    reply(1, [](std::string_view r) {
        return std::vector<Network::Reply>{
            {1000, Info(r, "\\hostname\\" + std::string(65000, 'x'))}};
    });
    reply(2, [](std::string_view) {
        return std::vector<Network::Reply>{{1000, std::string(65507, '\\')}};
    });
    reply(3, [](std::string_view r) {
        return std::vector<Network::Reply>{{1000, Info(r, "\\hostname\\one")},
                                           {2000, Info(r, "\\hostname\\two")}};
    });
    // A stranger answers for server 4 with its challenge.
    reply(4, [](std::string_view r) {
        return std::vector<Network::Reply>{{1000, Info(r), Server(9)}};
    });
    Run();
    EXPECT_EQ(sink.rows[Server(0)], "silent");
    EXPECT_EQ(sink.rows[Server(1)], std::string(kInfoTextLimit, 'x') + " 1 ms");
    EXPECT_EQ(sink.rows[Server(2)], "silent");
    EXPECT_EQ(sink.rows[Server(3)], "one 1 ms");
    EXPECT_EQ(sink.rows[Server(4)], "silent");
    EXPECT_EQ(sink.answers, 2);
}

TEST_F(Refresh, HostileMastersAreCappedAndTimed) {
    // 100,000 records in 196-record datagrams, duplicates, a truncated record,
    // then an endless stream; and a list from another address.
    network.peers[kMaster] = [asked = 0](std::string_view) mutable {
        std::vector<Network::Reply> replies;
        if (asked++ > 0) // the list for one version only
            return replies;
        for (unsigned i = 0; i < 100'000; i += 196)
            replies.push_back({1000 + i, kList + Records(i % 3000, 196) + "\\\x7F"});
        for (std::int64_t t = 0; t < 60'000'000; t += 10'000)
            replies.push_back({t, kList + Records(50'000, 1)});
        replies.push_back(
            {500, kList + Records(90'000, 2) + kEot, ServerAddress{0x7F000002, 29060}});
        return replies;
    };
    RefreshLimits limits;
    limits.masterCap = 1000;
    limits.attempts = 1;
    Run(limits);
    EXPECT_EQ(sink.rows.size(), 1000u);
    EXPECT_FALSE(sink.rows.contains(Server(90'000)));
}

TEST_F(Refresh, AnEndlessListEndsWithTheMastersTime) {
    network.peers[kMaster] = [](std::string_view) {
        std::vector<Network::Reply> replies;
        for (std::int64_t t = 0; t < 600'000'000; t += 100'000)
            replies.push_back({t, kList + Records(7, 1)});
        return replies;
    };
    Run();
    EXPECT_EQ(sink.masters, (std::vector{IRefreshSink::MasterOutcome::Listed}));
    EXPECT_EQ(sink.rows.size(), 1u);
}

} // namespace
} // namespace quorin
