// The UDP layer, protocol information and the catalogue on the real Winsock,
// against real servers on loopback: our stand-in game server in each of its
// variants and a real openarena-server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/win32/win.h"
#include "net/protocols.h"
#include "net/status_reply.h"
#include "net/udp.h"
#include "net/win32/winsock_api.h"
#include "tests/support/peer_ports.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

class UdpOnWinsock : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(udp_.StartWinsock(kWinsockVersion22), 0);
        socket_ = udp_.CreateSocket(kAfInet, kSockDgram, kIpprotoUdp);
        ASSERT_GT(socket_, 0);
    }
    void TearDown() override { udp_.CloseSocket(socket_); }

    // Waits (5 s at most) until a datagram or an error is waiting.
    int ReceiveWithin(std::string& text) {
        for (auto end = std::chrono::steady_clock::now() + 5s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(10ms))
            if (udp_.IsReadable(socket_))
                return udp_.RecvString(socket_, text);
        return -2;
    }

    // Asks the server at `port` for its status; the reply's length, or -1.
    int Ask(int port, std::string& reply) {
        if (udp_.ConnectSocket(socket_, "127.0.0.1", port) != 0)
            return -3;
        EXPECT_EQ(udp_.SendString(socket_, kStatusRequest), 17);
        return ReceiveWithin(reply);
    }

    win32::WinsockApi api_;
    win32::Ole32GuidText guids_;
    UdpLayer udp_{api_, guids_};
    SocketHandle socket_ = kNoSocket;
};

TEST_F(UdpOnWinsock, ReadsTheSocketsOwnProtocolRecord) {
    CProtocol protocol;
    ASSERT_TRUE(protocol.GetBySocketHandle(api_, guids_, socket_));
    EXPECT_EQ(protocol.AddressFamily(), kAfInet);
    EXPECT_EQ(protocol.SocketType(), kSockDgram);
    EXPECT_EQ(protocol.Protocol(), kIpprotoUdp);
    EXPECT_TRUE(protocol.Connectionless());
    EXPECT_EQ(protocol.ProviderId().size(), 38u);

    CProtocol fresh;
    EXPECT_FALSE(fresh.GetBySocketHandle(api_, guids_, 0x7FFF0));
    EXPECT_EQ(fresh.AddressFamily(), 0);
    EXPECT_EQ(api_.LastError(), WSAENOTSOCK);
}

TEST_F(UdpOnWinsock, AskingTheStandInOfEachVersion) {
    const struct {
        const char* variant;
        const char* version;
        const char* firstName;
    } cases[] = {
        {"v101", "v1.0.1", "sv_hostname"},
        {"v100", "v1.0.0", "sv_hostname"},
        {"openjk", "v1.0.1", "challenge"},
    };
    for (const auto& c : cases) {
        QUORIN_PEER_PORT(port, c.variant);
        ASSERT_GT(port, 32767); // Linux hands out ephemeral ports from 32768 up
        std::string reply;
        ASSERT_GT(Ask(port, reply), 0) << c.variant;
        const StatusReply parsed = ParseStatusReply(reply);
        ASSERT_TRUE(parsed.headerPresent) << c.variant;
        ASSERT_FALSE(parsed.pairs.empty());
        EXPECT_EQ(parsed.pairs.front().first, c.firstName) << c.variant;
        EXPECT_EQ(EffectiveServerVersion(parsed), c.version) << c.variant;
        // Bytes above 0x7F in player names arrive as they were sent.
        EXPECT_NE(reply.find("Jaden \xE9\xF1\xFC"), std::string::npos) << c.variant;
    }
}

TEST_F(UdpOnWinsock, OddDatagrams) {
    const struct {
        const char* variant;
        int result;
        int error;
        std::size_t size;
    } cases[] = {
        {"size8192", 8192, 0, 8192},
        {"size8193", -1, WSAEMSGSIZE, 0},
        {"empty", 0, 0, 0},
    };
    for (const auto& c : cases) {
        QUORIN_PEER_PORT(port, c.variant);
        std::string reply = "unchanged";
        EXPECT_EQ(Ask(port, reply), c.result) << c.variant;
        if (c.result < 0) {
            EXPECT_EQ(udp_.LastSocketError(), c.error) << c.variant;
        }
        EXPECT_EQ(reply.size(), c.size ? c.size : std::string("unchanged").size()) << c.variant;
    }
}

TEST_F(UdpOnWinsock, TwoRepliesToOneQuestion) {
    QUORIN_PEER_PORT(twice, "double");
    std::string reply;
    ASSERT_GT(Ask(twice, reply), 0);
    EXPECT_EQ(ParseStatusReply(reply).pairs.front().second, "first");
    ASSERT_GT(ReceiveWithin(reply), 0);
    EXPECT_EQ(ParseStatusReply(reply).pairs.front().second, "second");
}

TEST_F(UdpOnWinsock, NoListenerResetsTheConnection) {
    std::string reply = "unchanged";
    EXPECT_EQ(Ask(test::FreeLoopbackUdpPort(), reply), -1);
    EXPECT_EQ(udp_.LastSocketError(), 10054);
    EXPECT_EQ(reply, "unchanged");
    // One refusal is reported once.
    EXPECT_FALSE(udp_.IsReadable(socket_));
}

TEST_F(UdpOnWinsock, OpenArenaServerAgreesWithQstat) {
    QUORIN_PEER_PORT(port, "openarena");
    std::string reply;
    ASSERT_GT(Ask(port, reply), 0);
    const StatusReply parsed = ParseStatusReply(reply);
    ASSERT_TRUE(parsed.headerPresent);
    EXPECT_GE(parsed.pairs.size(), 40u);
    const std::string qstat = test::ReadFileBytes(*test::PeersDir() + "/openarena-qstat.txt");
    EXPECT_EQ(test::DifferencesFromQstat(parsed, qstat), std::vector<std::string>{});
}

TEST(CProtocolsOnWinsock, HoldsTheCatalogueInWinsocksOrder) {
    win32::WinsockApi api;
    win32::Ole32GuidText guids;
    test::RecordingBox box;
    CProtocols catalogue(api, guids, box);

    DWORD size = 0;
    ::WSAEnumProtocolsA(nullptr, nullptr, &size);
    std::vector<std::uint8_t> buffer(size);
    const int count =
        ::WSAEnumProtocolsA(nullptr, reinterpret_cast<WSAPROTOCOL_INFOA*>(buffer.data()), &size);
    ASSERT_GT(count, 0);
    ASSERT_EQ(catalogue.Count(), count);
    const auto* records = reinterpret_cast<const WSAPROTOCOL_INFOA*>(buffer.data());
    for (int i = 0; i < count; ++i) {
        const CProtocol& p = *catalogue.Item(static_cast<long>(i + 1));
        EXPECT_EQ(std::to_string(p.CatalogEntryId()) + " " + p.ProtocolName() + " " +
                      std::to_string(p.Protocol()),
                  std::to_string(records[i].dwCatalogEntryId) + " " + records[i].szProtocol + " " +
                      std::to_string(records[i].iProtocol));
    }
    EXPECT_EQ(catalogue.GetProtocolInfoBySocketHandle(0x7FFF0), nullptr);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, ""); // WSAENOTSOCK is not in the catalogue's table
}

TEST(Ole32GuidText, MatchesOurOwnFormatting) {
    win32::Ole32GuidText ole32;
    const Guid guids[] = {
        Guid{},
        Guid{0xe70f1aa0, 0xab8b, 0x11cf, {0x8c, 0xa3, 0x00, 0x80, 0x5f, 0x48, 0xa1, 0x92}},
        Guid{0xFFFFFFFF, 0xFFFF, 0x0001, {0xFF, 0xFE, 0xFD, 0xFC, 0x0B, 0x0A, 0x09, 0x08}},
    };
    for (const Guid& g : guids)
        EXPECT_EQ(ole32.GuidToString(g), FormatGuid(g));
}

} // namespace
} // namespace quorin
