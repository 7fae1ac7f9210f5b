// A stand-in Jedi Academy server for tests and the demo: answers the 17-byte
// status request on loopback as the game's servers do, one variant per port.
//
//   standin [--ports-file FILE] VARIANT[=PORT] ...
//
// Each VARIANT listens on its own UDP port on 127.0.0.1 (0 or no port: any
// free one). The ports actually bound are written as VARIANT=PORT lines to
// FILE (or standard output) once every socket is listening. Runs until
// killed. Variants:
//   v101     the original 1.0.1 server (protocol 26, no challenge echo)
//   v100     the original 1.0.0 server (protocol 25)
//   openjk   an open-source engine: echoes \challenge\xxx first, its own version
//   size8192 / size8193   a datagram of exactly that many bytes
//   empty    a zero-length datagram
//   noheader backslash pairs without the statusResponse header
//   double   two replies to one request
//   otherport  answers from another port of the same host (a connected socket
//            must not see it)
//   bigthengood  an 8193-byte datagram, then a good 1.0.1 reply
//   longrows a 1.0.1 reply whose name is 600 characters long, with 700 players
//   flood    40 datagrams of 8193 bytes for every request
//   pass / full / nobody  1.0.1 servers with a password, every slot taken,
//            no one playing
//   bots     a 1.0.1 server with two humans and three bots (ping 0)
//   silent   never answers
//   delayN   a 1.0.1 server that answers getinfo after N ms ("Delay N ms"), for
//            timing pings against known delays
// v101, v100, openjk, pass, full, nobody and bots answer `getinfo CHALLENGE` too,
// with an infoResponse that echoes the challenge (and `getinfo` alone).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

const std::string kRequest("\xFF\xFF\xFF\xFFgetstatus xxx", 17);
const std::string kInfoRequest("\xFF\xFF\xFF\xFFgetinfo");
const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse\n");

std::string Players() {
    // score ping "name": colour codes and bytes above 0x7F as players use them.
    return "12 48 \"^1Kyle^7 Katarn\"\n3 112 \"Jaden \xE9\xF1\xFC\"\n0 0 \"^3Bot^5Rosh\"\n";
}

std::string Variables(const std::string& version, const std::string& protocol,
                      const std::string& hostname) {
    return "\\sv_hostname\\" + hostname + "\\mapname\\mp/ffa3\\sv_maxclients\\16\\g_gametype\\0" +
           "\\g_needpass\\0\\gamename\\basejka\\version\\" + version + "\\protocol\\" + protocol +
           "\\dmflags\\0\\fraglimit\\20\\timelimit\\0";
}

std::string Crowd(int players) {
    std::string lines;
    for (int i = 0; i < players; ++i)
        lines += std::to_string(i) + " " + std::to_string(20 + i) + " \"Player " +
                 std::to_string(i) + "\"\n";
    return lines;
}

// N for a "delayN" variant, or -1.
int DelayOf(const std::string& variant) {
    if (!variant.starts_with("delay") || variant.size() == 5 || variant.size() > 9 ||
        variant.find_first_not_of("0123456789", 5) != std::string::npos)
        return -1;
    return std::atoi(variant.c_str() + 5);
}

// The info a variant gives to `getinfo`: empty for those that ignore it.
std::string Info(const std::string& variant, const std::string& challenge) {
    if (const int delay = DelayOf(variant); delay >= 0) {
        std::string info = Info("v101", challenge);
        const std::string name = "^4Stand-in ^71.0.1";
        info.replace(info.find(name), name.size(), "Delay " + std::to_string(delay) + " ms");
        return info;
    }
    struct Shape {
        const char* variant;
        const char* protocol;
        const char* hostname;
        const char* clients;
        const char* more; // needpass, game
    };
    static const Shape shapes[] = {
        {"v101", "26", "^4Stand-in ^71.0.1", "3", "\\needpass\\0"},
        {"v100", "25", "^2Stand-in ^71.0.0", "3", "\\needpass\\0"},
        {"openjk", "26", "OpenJK stand-in", "3", "\\needpass\\0\\game\\japlus"},
        {"pass", "26", "^1Locked ^7stand-in", "3", "\\needpass\\1"},
        {"full", "26", "Full stand-in", "16", "\\needpass\\0"},
        {"nobody", "25", "Empty stand-in", "0", "\\needpass\\0"},
        {"bots", "26", "Bots stand-in", "5", "\\needpass\\0"},
    };
    for (const Shape& shape : shapes)
        if (variant == shape.variant)
            return "\xFF\xFF\xFF\xFFinfoResponse\n" +
                   (challenge.empty() ? "" : "\\challenge\\" + challenge) + "\\protocol\\" +
                   shape.protocol + "\\hostname\\" + shape.hostname +
                   "\\mapname\\mp/ffa3\\clients\\" + shape.clients +
                   "\\sv_maxclients\\16\\gametype\\0\\truejedi\\0\\wdisable\\0"
                   "\\fdisable\\0" +
                   shape.more;
    return {};
}

std::vector<std::string> Replies(const std::string& variant) {
    if (DelayOf(variant) >= 0)
        return Replies("v101");
    if (variant == "pass" || variant == "full" || variant == "nobody") {
        const std::string version = variant == "nobody" ? "JAmp: v1.0.0.0 win-x86 Sep  5 2003"
                                                        : "JAmp: v1.0.1.0 win-x86 Oct 24 2003";
        const std::string hostname = variant == "pass"   ? "^1Locked ^7stand-in"
                                     : variant == "full" ? "Full stand-in"
                                                         : "Empty stand-in";
        std::string variables = Variables(version, variant == "nobody" ? "25" : "26", hostname);
        if (variant == "pass")
            variables.replace(variables.find("needpass\\0"), 10, "needpass\\1");
        const int players = variant == "full" ? 16 : variant == "pass" ? 3 : 0;
        return {kHeader + variables + "\n" + Crowd(players)};
    }
    if (variant == "v101")
        return {kHeader +
                Variables("JAmp: v1.0.1.0 win-x86 Oct 24 2003", "26", "^4Stand-in ^71.0.1") + "\n" +
                Players()};
    if (variant == "v100")
        return {kHeader +
                Variables("JAmp: v1.0.0.0 win-x86 Sep  5 2003", "25", "^2Stand-in ^71.0.0") + "\n" +
                Players()};
    if (variant == "openjk")
        return {kHeader + "\\challenge\\xxx" +
                Variables("OpenJK-MP: v1.0.1.1 linux-x86_64 Mar 12 2024", "26", "OpenJK stand-in") +
                "\n" + Players()};
    if (variant == "size8192" || variant == "size8193") {
        const std::size_t size = variant == "size8192" ? 8192 : 8193;
        std::string reply = kHeader + "\\filler\\";
        reply.resize(size, 'x');
        return {reply};
    }
    if (variant == "empty")
        return {std::string()};
    if (variant == "bots")
        return {kHeader + Variables("JAmp: v1.0.1.0 win-x86 Oct 24 2003", "26", "Bots stand-in") +
                "\n" +
                "5 35 \"^5Mara ^7Jade\"\n2 61 \"Corran\"\n9 0 \"^1Reborn\"\n4 0 \"Tavion\"\n"
                "1 0 \"^3Desann\"\n"};
    if (variant == "noheader")
        return {Variables("JAmp: v1.0.1.0 win-x86 Oct 24 2003", "26", "No header")};
    if (variant == "otherport")
        return Replies("v101");
    if (variant == "bigthengood") {
        std::vector<std::string> replies = Replies("size8193");
        replies.push_back(Replies("v101").front());
        return replies;
    }
    if (variant == "longrows") {
        std::string players;
        for (int i = 0; i < 700; ++i)
            players += "0 0 \"p\"\n";
        return {kHeader +
                Variables("JAmp: v1.0.1.0 win-x86 Oct 24 2003", "26", std::string(600, 'n')) +
                "\n" + players};
    }
    if (variant == "flood")
        return std::vector<std::string>(40, Replies("size8193").front());
    if (variant == "double")
        return {kHeader + "\\sv_hostname\\first\\version\\JAmp: v1.0.0.0 x\n",
                kHeader + "\\sv_hostname\\second\\version\\JAmp: v1.0.1.0 x\n"};
    return {};
}

} // namespace

int main(int argc, char** argv) {
    std::string portsFile;
    std::vector<pollfd> fds;
    std::vector<std::string> variants;
    std::string listing;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--ports-file" && i + 1 < argc) {
            portsFile = argv[++i];
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string variant = arg.substr(0, eq);
        const int port = eq == std::string::npos ? 0 : std::atoi(arg.c_str() + eq + 1);
        if (Replies(variant).empty() && variant != "silent") {
            std::cerr << "standin: unknown variant " << variant << "\n";
            return 2;
        }
        const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("standin: bind");
            return 1;
        }
        socklen_t length = sizeof address;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        listing += variant + "=" + std::to_string(ntohs(address.sin_port)) + "\n";
        fds.push_back({s, POLLIN, 0});
        variants.push_back(variant);
    }
    if (fds.empty()) {
        std::cerr << "usage: standin [--ports-file FILE] VARIANT[=PORT] ...\n";
        return 2;
    }
    if (portsFile.empty()) {
        std::cout << listing << std::flush;
    } else {
        // Written whole under another name first, so a reader never sees half.
        std::ofstream(portsFile + ".part") << listing;
        std::rename((portsFile + ".part").c_str(), portsFile.c_str());
    }
    std::vector<char> buffer(65536);
    std::vector<int> answered(fds.size(), 0);
    const int elsewhere = ::socket(AF_INET, SOCK_DGRAM, 0); // for "otherport"
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(elsewhere, reinterpret_cast<sockaddr*>(&any), sizeof any);
    // Answers held back by a "delayN" variant, in the order they are due.
    struct Due {
        std::chrono::steady_clock::time_point at;
        int fd;
        std::string reply;
        sockaddr_in to;
    };
    std::multimap<std::chrono::steady_clock::time_point, Due> due;
    for (;;) {
        int wait = -1;
        if (!due.empty())
            wait = static_cast<int>(
                std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                           due.begin()->first - std::chrono::steady_clock::now())
                                           .count()));
        if (::poll(fds.data(), fds.size(), wait) < 0)
            return 1;
        for (auto now = std::chrono::steady_clock::now(); !due.empty() && due.begin()->first <= now;
             due.erase(due.begin())) {
            const Due& d = due.begin()->second;
            ::sendto(d.fd, d.reply.data(), d.reply.size(), 0,
                     reinterpret_cast<const sockaddr*>(&d.to), sizeof d.to);
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(fds[i].fd, buffer.data(), buffer.size(), 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            const std::string request(buffer.data(), got > 0 ? got : 0);
            const int out = variants[i] == "otherport" ? elsewhere : fds[i].fd;
            if (request.starts_with(kInfoRequest)) {
                // "getinfo CHALLENGE", or "getinfo" alone as qstat asks; no
                // challenge is echoed to the latter, as on the engines.
                std::string challenge = request.substr(kInfoRequest.size());
                challenge.erase(0, challenge.find_first_not_of(' '));
                challenge = challenge.substr(0, challenge.find_first_of("\n\\"));
                const std::string info = Info(variants[i], challenge);
                if (const int delay = DelayOf(variants[i]); delay >= 0 && !info.empty()) {
                    const auto at =
                        std::chrono::steady_clock::now() + std::chrono::milliseconds(delay);
                    due.emplace(at, Due{at, fds[i].fd, info, from});
                    continue;
                }
                if (!info.empty())
                    ::sendto(out, info.data(), info.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             fromLength);
                continue;
            }
            // Only the status request gets an answer, as on a real server.
            if (request != kRequest || variants[i] == "silent")
                continue;
            for (const std::string& reply : Replies(variants[i]))
                ::sendto(out, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                         fromLength);
        }
    }
}
