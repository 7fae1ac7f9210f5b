#include "tests/support/peer_ports.h"

#include <cstdlib>

#include "common/win32/win.h"

#include "tests/support/qstat_rules.h"

namespace quorin::test {

std::optional<std::string> PeersDir() {
    const char* dir = std::getenv("QUORIN_PEERS_DIR");
    if (!dir || !*dir)
        return std::nullopt;
    return "Z:" + std::string(dir);
}

std::optional<int> PeerPort(const std::string& variant) {
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

int FreeLoopbackUdpPort() {
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
