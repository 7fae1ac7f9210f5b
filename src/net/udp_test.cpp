// The UDP layer over a scripted Winsock: what it refuses before asking
// Winsock, and the bytes of the address it connects to.
#include "net/udp.h"

#include <gtest/gtest.h>

#include "net/status_reply.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

TEST(UdpLayer, ConnectsInWireOrderSendsAndReceivesOrRefusesWithoutAsking) {
    test::ScriptedSockets api;
    PortableGuidText guids;
    UdpLayer udp{api, guids};
    EXPECT_EQ(udp.ConnectSocket(7, "127.0.0.1", 29070), 0);
    api.infoError = 10038; // no protocol record: the family stays 0
    EXPECT_EQ(udp.ConnectSocket(7, "127.0.0.1", 65535), 0);
    const SocketAddress first{kAfInet, 0, 0x71, 0x8E, 0x7F, 0, 0, 1};
    const SocketAddress second{0, 0, 0xFF, 0xFF, 0x7F, 0, 0, 1};
    EXPECT_EQ(api.connects, (std::vector<SocketAddress>{first, second}));

    const std::tuple<SocketHandle, const char*, std::int32_t> refused[] = {
        {7, "127.0.0.1", 0}, {7, "127.0.0.1", -5}, {7, "127.0.0.1", 65536}, {7, "", 29070},
        {0, "127.0.0.1", 1}, {-1, "127.0.0.1", 1}, {7, "unresolvable", 1},
    };
    for (const auto& [socket, host, port] : refused)
        EXPECT_EQ(udp.ConnectSocket(socket, host, port), -1) << host << ":" << port;
    EXPECT_EQ(api.connects.size(), 2u);

    EXPECT_EQ(udp.SendString(7, ""), -1);
    api.selectError = 10038; // a failed select counts as ready: the send says why
    EXPECT_EQ(udp.SendString(7, kStatusRequest), 17);
    api.selectError = 0;
    EXPECT_EQ(api.sent, std::vector<std::string>{std::string(kStatusRequest)});

    std::string text = "unchanged";
    EXPECT_EQ(udp.RecvString(7, text), -1); // nothing waiting
    api.Arrive("");
    EXPECT_EQ(udp.RecvString(7, text), 0);
    EXPECT_EQ(text, "unchanged");
    api.Arrive(std::string(kReceiveBufferSize, 'x')); // the largest reply there can be
    EXPECT_EQ(udp.RecvString(7, text), 8192);
    EXPECT_EQ(text, std::string(8192, 'x'));
}

} // namespace
} // namespace quorin
