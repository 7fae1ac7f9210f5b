// A refresh on the real Winsock against the stand-in master, the stand-in
// servers and two openarena-servers registered by heartbeat, on loopback
// (scripts/peers).
#include <gtest/gtest.h>

#include <map>

#include "net/win32/datagram_socket_win32.h"
#include "tests/support/win32/peer_ports.h"

namespace quorin {
namespace {

struct Rows : IRefreshSink {
    std::vector<MasterOutcome> masters;
    std::map<int, std::string> rows; // by port
    void MasterDone(std::size_t, MasterOutcome outcome, std::size_t) override {
        masters.push_back(outcome);
    }
    void ServerListed(ServerAddress s) override { rows[s.port] = "listed"; }
    void ServerAnswered(ServerAddress s, const ServerInfo& info, int pingMs) override {
        rows[s.port] = info.hostname + (pingMs >= 0 && pingMs < 500 ? "" : " (bad ping)");
    }
    void ServerSilent(ServerAddress s) override { rows[s.port] = "silent"; }
};

Rows Refresh(int masterPort) {
    win32::DatagramSocket socket;
    EXPECT_EQ(socket.Open(), 0);
    Rows rows;
    std::atomic<bool> stop{false};
    ServerRefresh(socket, rows, 1)
        .Run({{"127.0.0.1", static_cast<std::uint16_t>(masterPort)}}, stop);
    return rows;
}

TEST(RefreshOnWinsock, EveryServerListedAndAskedOnce) {
    QUORIN_PEER_PORT(master, "master");
    const Rows rows = Refresh(master);
    EXPECT_EQ(rows.masters, (std::vector{IRefreshSink::MasterOutcome::Listed}));
    const std::pair<const char*, const char*> expected[] = {
        {"v101", "^4Stand-in ^71.0.1"}, {"v100", "^2Stand-in ^71.0.0"},
        {"openjk", "OpenJK stand-in"},  {"pass", "^1Locked ^7stand-in"},
        {"full", "Full stand-in"},      {"nobody", "Empty stand-in"},
        {"silent", "silent"},           {"openarena25", "OpenArena 25"},
        {"openarena26", "OpenArena 26"}};
    for (const auto& [variant, row] : expected) {
        QUORIN_PEER_PORT(port, variant);
        EXPECT_EQ(rows.rows.at(port), row) << variant;
    }
    EXPECT_EQ(rows.rows.size(), std::size(expected));
}

TEST(RefreshOnWinsock, AMasterThatIsNotThereIsSilent) {
    EXPECT_EQ(Refresh(test::FreeLoopbackUdpPort()).masters,
              (std::vector{IRefreshSink::MasterOutcome::Silent}));
}

} // namespace
} // namespace quorin
