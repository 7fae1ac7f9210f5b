// A stand-in master server for tests, benchmarks and the demo, on loopback,
// shaped as the game's masters are:
//
//   standin-master [--ports-file FILE] [--port N] [--fill N] [PROTOCOL:IP:PORT ...]
//
// Listens on 127.0.0.1 (port N, or any free one, written as "master=PORT" to
// FILE or standard output once listening). Knows the servers on its command
// line under their protocol, and those that register themselves: a
// "heartbeat" is answered with "getinfo CHALLENGE", and the server's
// infoResponse with that challenge is taken under the protocol it names.
// "getservers PROTOCOL [full] [empty]" gets that protocol's servers, 196
// records a datagram, the end marker "\EOT\0\0\0" only on the last; without
// "full" or "empty" a registered server that is full or empty is left out.
// --fill N adds N made-up 1.0.1 servers at 127.1.x.y, for lists of many
// datagrams. Runs until killed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kPrefix("\xFF\xFF\xFF\xFF");
constexpr std::size_t kPerDatagram = 196;

struct Server {
    std::uint32_t ip = 0; // host order
    std::uint16_t port = 0;
    int protocol = 0;
    int clients = -1; // -1 for a server named on the command line
    int maxClients = -1;
};

using Key = std::tuple<std::uint32_t, std::uint16_t>;

// The value of `key` in a backslash-separated info string, or "".
std::string Value(const std::string& info, const std::string& key) {
    const std::string needle = "\\" + key + "\\";
    const std::size_t at = info.find(needle);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + needle.size();
    return info.substr(start, info.find_first_of("\\\n", start) - start);
}

bool ParseServer(const std::string& word, Server& server) {
    unsigned a, b, c, d, port;
    int protocol;
    char tail;
    if (std::sscanf(word.c_str(), "%d:%u.%u.%u.%u:%u%c", &protocol, &a, &b, &c, &d, &port, &tail) !=
            6 ||
        a > 255 || b > 255 || c > 255 || d > 255 || port == 0 || port > 65535)
        return false;
    server = {a << 24 | b << 16 | c << 8 | d, static_cast<std::uint16_t>(port), protocol};
    return true;
}

std::string Record(const Server& s) {
    const char bytes[] = {'\\',
                          static_cast<char>(s.ip >> 24),
                          static_cast<char>(s.ip >> 16),
                          static_cast<char>(s.ip >> 8),
                          static_cast<char>(s.ip),
                          static_cast<char>(s.port >> 8),
                          static_cast<char>(s.port)};
    return std::string(bytes, sizeof bytes);
}

// The reply to "getservers ...": every datagram but the last full.
std::vector<std::string> ServerList(const std::map<Key, Server>& servers, const std::string& ask) {
    int protocol = 0;
    std::sscanf(ask.c_str(), "getservers %d", &protocol);
    const bool full = ask.find(" full") != std::string::npos;
    const bool empty = ask.find(" empty") != std::string::npos;
    std::vector<std::string> records;
    for (const auto& [key, s] : servers) {
        if (s.protocol != protocol || (!empty && s.clients == 0) ||
            (!full && s.clients >= 0 && s.clients >= s.maxClients))
            continue;
        records.push_back(Record(s));
    }
    std::vector<std::string> datagrams;
    for (std::size_t i = 0; i == 0 || i < records.size(); i += kPerDatagram) {
        std::string datagram = kPrefix + "getserversResponse";
        for (std::size_t j = i; j < records.size() && j < i + kPerDatagram; ++j)
            datagram += records[j];
        datagrams.push_back(datagram);
    }
    datagrams.back() += std::string("\\EOT\0\0\0", 7);
    return datagrams;
}

} // namespace

int main(int argc, char** argv) {
    std::string portsFile;
    int port = 0;
    std::map<Key, Server> servers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ports-file" && i + 1 < argc) {
            portsFile = argv[++i];
        } else if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--fill" && i + 1 < argc) {
            const int count = std::atoi(argv[++i]);
            for (int n = 0; n < count; ++n) {
                const Server s{0x7F010000u | static_cast<std::uint32_t>(n / 250 + 1) << 8 |
                                   static_cast<std::uint32_t>(n % 250 + 1),
                               29070, 26};
                servers[{s.ip, s.port}] = s;
            }
        } else {
            Server s;
            if (!ParseServer(arg, s)) {
                std::cerr << "usage: standin-master [--ports-file FILE] [--port N] [--fill N] "
                             "[PROTOCOL:IP:PORT ...]\n";
                return 2;
            }
            servers[{s.ip, s.port}] = s;
        }
    }
    const int sock = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("standin-master: bind");
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string listing = "master=" + std::to_string(ntohs(address.sin_port)) + "\n";
    if (portsFile.empty()) {
        std::cout << listing << std::flush;
    } else {
        std::ofstream(portsFile + ".part") << listing;
        std::rename((portsFile + ".part").c_str(), portsFile.c_str());
    }
    std::mt19937_64 random{std::random_device{}()};
    std::map<Key, std::string> challenges; // heartbeats waiting for their info
    std::vector<char> buffer(65536);
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(sock, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < static_cast<ssize_t>(kPrefix.size()) ||
            std::string(buffer.data(), kPrefix.size()) != kPrefix)
            continue;
        const std::string text(buffer.data() + kPrefix.size(), got - kPrefix.size());
        const Key key{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        std::vector<std::string> replies;
        if (text.starts_with("getservers ")) {
            replies = ServerList(servers, text);
        } else if (text.starts_with("heartbeat")) {
            challenges[key] = std::to_string(random() % 1000000000);
            replies.push_back(kPrefix + "getinfo " + challenges[key]);
        } else if (text.starts_with("infoResponse") && challenges.contains(key) &&
                   Value(text, "challenge") == challenges[key]) {
            challenges.erase(key);
            const int protocol = std::atoi(Value(text, "protocol").c_str());
            if (protocol > 0)
                servers[key] = {std::get<0>(key), std::get<1>(key), protocol,
                                std::atoi(Value(text, "clients").c_str()),
                                std::atoi(Value(text, "sv_maxclients").c_str())};
        }
        for (const std::string& reply : replies)
            ::sendto(sock, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     fromLength);
    }
}
