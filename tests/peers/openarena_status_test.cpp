// A real Quake-3-engine dedicated server on loopback answers our status
// request; qstat asks the same server, and both readings must agree.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "net/status_reply.h"
#include "tests/peers/posix_peers.h"
#include "tests/support/peer_ports.h"
#include "tests/support/qstat_rules.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

const std::string kServer = "/usr/games/openarena-server";
const std::string kQstat = "/usr/bin/quakestat";

#define REQUIRE_PEER(path)                                                                         \
    do {                                                                                           \
        if (!test::ProgramExists(path)) {                                                          \
            if (test::PeersRequired())                                                             \
                FAIL() << (path) << " is missing";                                                 \
            GTEST_SKIP() << (path) << " is missing";                                               \
        }                                                                                          \
    } while (0)

// Asks until the server has loaded its map and answers, for at most 60 s.
std::optional<std::string> AskUntilAnswered(test::ChildProcess& server, int port) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline && server.Running()) {
        if (auto reply = test::AskUdp(port, kStatusRequest, 500ms))
            return reply;
        std::this_thread::sleep_for(200ms);
    }
    return std::nullopt;
}

TEST(OpenArenaServer, StatusReplyAgreesWithQstat) {
    REQUIRE_PEER(kServer);
    REQUIRE_PEER(kQstat);
    const auto home =
        std::filesystem::temp_directory_path() / ("quorin-oa-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    const int port = test::FreeLoopbackUdpPort();
    ASSERT_GT(port, 0);
    const std::string portText = std::to_string(port);
    std::optional<std::string> datagram;
    std::optional<std::string> qstat;
    {
        test::ChildProcess server({kServer, "+set", "dedicated", "1", "+set", "net_ip",
                                   "127.0.0.1", "+set", "net_port", portText, "+set",
                                   "sv_master1", "", "+set", "sv_hostname", "Quorin test",
                                   "+map", "oa_dm1"},
                                  home.string(), (home / "server.log").string());
        ASSERT_TRUE(server.Started());
        datagram = AskUntilAnswered(server, port);
        ASSERT_TRUE(datagram.has_value()) << "no answer; see " << (home / "server.log");
        qstat =
            test::CaptureOutput({kQstat, "-q3s", "127.0.0.1:" + portText, "-R", "-P", "-raw", "|"});
    }
    ASSERT_TRUE(qstat.has_value());

    const StatusReply reply = ParseStatusReply(*datagram);
    ASSERT_TRUE(reply.headerPresent);
    EXPECT_GE(reply.pairs.size(), 40u);
    EXPECT_EQ(test::DifferencesFromQstat(reply, *qstat), std::vector<std::string>{});
    EXPECT_NE(qstat->find("|Quorin test|oa_dm1|"), std::string::npos) << *qstat;

    // QUORIN_REGENERATE=1 refreshes the capture that the core tests replay.
    if (const char* regenerate = std::getenv("QUORIN_REGENERATE");
        regenerate && std::string_view(regenerate) == "1") {
        const std::string dir = QUORIN_TEST_DATA_DIR;
        std::ofstream(dir + "/openarena-status.bin", std::ios::binary) << *datagram;
        std::ofstream(dir + "/openarena-qstat.txt", std::ios::binary) << *qstat;
    }
    std::filesystem::remove_all(home);
}

} // namespace
} // namespace quorin
