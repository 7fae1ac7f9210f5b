// The server peers started for a test run (scripts/peers), found under Wine through
// QUORIN_PEERS_DIR: their ports, and what qstat said of the openarena server.
#pragma once

#include <optional>
#include <string>

namespace quorin::test {

// The folder as this program opens it (under Wine, a Z: path).
std::optional<std::string> PeersDir();
std::optional<int> PeerPort(const std::string& variant);

// A loopback UDP port that nothing listens on: that of a socket just closed.
int FreeLoopbackUdpPort();

// Peers are required (a missing one fails the test) when QUORIN_REQUIRE_PEERS=1.
bool PeersRequired();

} // namespace quorin::test

// Skips the test when the peer is not running, or fails it when peers are required.
#define QUORIN_PEER_PORT(var, variant)                                                             \
    const std::optional<int> var##Found = ::quorin::test::PeerPort(variant);                       \
    if (!var##Found) {                                                                             \
        if (::quorin::test::PeersRequired())                                                       \
            FAIL() << "peer " << (variant) << " is not running";                                   \
        GTEST_SKIP() << "peer " << (variant) << " is not running";                                 \
    }                                                                                              \
    const int var = *var##Found
