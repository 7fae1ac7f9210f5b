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

} // namespace quorin::test

// The port of a running peer; fails the test when it is not running.
#define QUORIN_PEER_PORT(var, variant)                                                             \
    const std::optional<int> var##Found = ::quorin::test::PeerPort(variant);                       \
    ASSERT_TRUE(var##Found) << "peer " << (variant) << " is not running (see scripts/peers)";      \
    const int var = *var##Found
