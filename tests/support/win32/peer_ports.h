// The server peers started for a test run (scripts/peers), found under Wine through
// QUORIN_PEERS_DIR: their ports, and what qstat said of the openarena server.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "common/win32/win.h"
#include "tests/support/qstat_rules.h"

namespace quorin::test {

// The folder as this program opens it (under Wine, a Z: path).
inline std::optional<std::string> PeersDir() {
    const char* dir = std::getenv("QUORIN_PEERS_DIR");
    if (!dir || !*dir)
        return std::nullopt;
    return "Z:" + std::string(dir);
}

inline std::optional<int> PeerPort(const std::string& variant) {
    const auto dir = PeersDir();
    if (!dir)
        return std::nullopt;
    const std::string listing = ReadFileBytes(*dir + "/ports.txt");
    const std::string key = "\n" + variant + "=";
    const std::size_t at = ("\n" + listing).find(key);
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(listing.c_str() + at + key.size() - 1);
}

// A loopback UDP port that nothing listens on: that of a socket just closed.
inline int FreeLoopbackUdpPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data); // balanced by the WSACleanup below
    SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int length = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    ::closesocket(s);
    ::WSACleanup();
    return ntohs(a.sin_port);
}

} // namespace quorin::test

// The port of a running peer; fails the test when it is not running.
#define QUORIN_PEER_PORT(var, variant)                                                             \
    const std::optional<int> var##Found = ::quorin::test::PeerPort(variant);                       \
    ASSERT_TRUE(var##Found) << "peer " << (variant) << " is not running (see scripts/peers)";      \
    const int var = *var##Found
