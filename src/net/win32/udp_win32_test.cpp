// The UDP layer, protocol information and the catalogue on the real Winsock
// and ole32, against real servers on loopback: our stand-in game server in
// each of its variants and a real openarena-server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/win32/win.h"
#include "net/protocols.h"
#include "net/status_reply.h"
#include "net/udp.h"
#include "net/win32/winsock_api.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/scripted_sockets.h"
#include "tests/support/win32/peer_ports.h"

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

    // Waits (2 s at most: loopback answers in milliseconds) until a datagram
    // or an error is waiting.
    int ReceiveWithin(std::string& text) {
        for (auto end = std::chrono::steady_clock::now() + 2s;
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

TEST_F(UdpOnWinsock, WhatEachStandInSends) {
    // A reply's first name and its version, or the receive's result, error and text.
    const auto seen = [this](int result, const std::string& reply) {
        if (result <= 0)
            return std::to_string(result) + " " +
                   std::to_string(result == -1 ? udp_.LastSocketError() : 0) + " " + reply;
        if (reply.size() == 8192)
            return std::string("8192 bytes");
        const StatusReply parsed = ParseStatusReply(reply);
        return std::string(parsed.pairs.front().first) + " " +
               EffectiveServerVersion(parsed).value_or("-") +
               (reply.find("Jaden \xE9\xF1\xFC") != std::string::npos ? " high bytes" : "");
    };
    const std::pair<const char*, const char*> cases[] = {
        {"v101", "sv_hostname v1.0.1 high bytes"}, // bytes above 0x7F arrive as sent
        {"double", "sv_hostname v1.0.0 / sv_hostname v1.0.1"},
        {"size8192", "8192 bytes"},
        {"size8193", "-1 10040 unchanged"},
        {"empty", "0 0 unchanged"},
        {"otherport", "-2 0 unchanged"}, // a connected socket never sees it
    };
    for (const auto& [variant, expected] : cases) {
        QUORIN_PEER_PORT(port, variant);
        std::string reply = "unchanged";
        std::string text = seen(Ask(port, reply), reply);
        if (variant == std::string("double"))
            text += " / " + seen(ReceiveWithin(reply), reply);
        EXPECT_EQ(text, expected) << variant;
        EXPECT_FALSE(udp_.IsReadable(socket_)) << variant << ": reported once";
        udp_.CloseSocket(socket_);
        socket_ = udp_.CreateSocket(kAfInet, kSockDgram, kIpprotoUdp);
    }
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

TEST(CProtocolsOnWinsock, HoldsTheCatalogueInWinsocksOrderWithOle32sGuidText) {
    win32::WinsockApi api;
    win32::Ole32GuidText guids;
    test::RecordingBox box;
    const CProtocols catalogue(api, guids, box);
    DWORD size = 0;
    ::WSAEnumProtocolsA(nullptr, nullptr, &size);
    std::vector<WSAPROTOCOL_INFOA> records(size / sizeof(WSAPROTOCOL_INFOA) + 1);
    ASSERT_EQ(catalogue.Count(), ::WSAEnumProtocolsA(nullptr, records.data(), &size));
    ASSERT_GT(catalogue.Count(), 0);
    for (long i = 1; i <= catalogue.Count(); ++i) {
        const CProtocol& p = *catalogue.Item(i);
        const WSAPROTOCOL_INFOA& r = records[static_cast<std::size_t>(i - 1)];
        const auto* provider = reinterpret_cast<const std::uint8_t*>(&r.ProviderId);
        EXPECT_EQ(std::to_string(p.CatalogEntryId()) + " " + p.ProtocolName() + " " +
                      std::to_string(p.Protocol()) + " " + p.ProviderId(),
                  std::to_string(r.dwCatalogEntryId) + " " + r.szProtocol + " " +
                      std::to_string(r.iProtocol) + " " +
                      FormatGuid(GuidFromBytes(std::span<const std::uint8_t, 16>(provider, 16))));
    }
}

} // namespace
} // namespace quorin
