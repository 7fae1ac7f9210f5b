#include "net/master_list.h"

#include <algorithm>

namespace quorin {
namespace {

// The masters the game's open-source clients ship with: the one place
// Quorin names them.
constexpr std::string_view kDefaultMasters[] = {"masterjk3.ravensoft.com", "master.jkhub.org",
                                                "master.ouned.de"};

// A decimal number of 1 to 5 digits no greater than `most`.
std::optional<unsigned> Number(std::string_view text, unsigned most) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > most)
        return std::nullopt;
    return value;
}

std::optional<std::uint16_t> Port(std::string_view text) {
    const std::optional<unsigned> port = Number(text, 65535);
    if (!port || *port == 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(*port);
}

bool InBlock(std::uint32_t ip, std::uint32_t block, int bits) {
    return (ip >> (32 - bits)) == (block >> (32 - bits));
}

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    return a << 24 | b << 16 | c << 8 | d;
}

bool IsEndMarker(std::string_view rest) {
    // "\EOT" or "\EOF", then nothing or zero bytes to the record's end: a
    // record 69.79.84.x with a port is a server.
    if (rest.size() < 4 || (rest.substr(1, 3) != "EOT" && rest.substr(1, 3) != "EOF"))
        return false;
    const std::string_view tail = rest.substr(4, kMasterRecordSize - 4);
    return std::all_of(tail.begin(), tail.end(), [](char c) { return c == '\0'; });
}

} // namespace

std::string AddressText(ServerAddress address) {
    return std::to_string(address.ip >> 24) + "." + std::to_string(address.ip >> 16 & 0xFF) + "." +
           std::to_string(address.ip >> 8 & 0xFF) + "." + std::to_string(address.ip & 0xFF) + ":" +
           std::to_string(address.port);
}

std::optional<ServerAddress> ParseAddressText(std::string_view text, std::uint16_t defaultPort) {
    ServerAddress address{0, defaultPort};
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::optional<std::uint16_t> port = Port(text.substr(colon + 1));
        if (!port)
            return std::nullopt;
        address.port = *port;
        text = text.substr(0, colon);
    }
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos || dot > 3)
            return std::nullopt;
        const std::optional<unsigned> octet = Number(text.substr(0, dot), 255);
        if (!octet)
            return std::nullopt;
        address.ip = address.ip << 8 | *octet;
        text = text.substr(std::min(dot + 1, text.size()));
    }
    if (!text.empty())
        return std::nullopt;
    return address;
}

std::string MasterRequest(int protocol) {
    return "\xFF\xFF\xFF\xFFgetservers " + std::to_string(protocol) + " full empty";
}

MasterReply ParseMasterReply(std::string_view datagram) {
    MasterReply reply;
    if (!datagram.starts_with(kMasterReplyHeader))
        return reply;
    reply.headerPresent = true;
    std::string_view rest = datagram.substr(kMasterReplyHeader.size());
    reply.records.reserve(std::min(rest.size() / kMasterRecordSize, kMasterRecordsPerDatagram));
    constexpr std::size_t kIpv6RecordSize = 19;
    while (!rest.empty()) {
        if (rest[0] == '/' && rest.size() >= kIpv6RecordSize) {
            rest.remove_prefix(kIpv6RecordSize);
            continue;
        }
        if (rest[0] != '\\')
            break;
        if (IsEndMarker(rest)) {
            reply.endMarker = true;
            break;
        }
        if (rest.size() < kMasterRecordSize)
            break;
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(rest[i]); };
        reply.records.push_back({Ip(byte(1), byte(2), byte(3), byte(4)),
                                 static_cast<std::uint16_t>(byte(5) << 8 | byte(6))});
        rest.remove_prefix(kMasterRecordSize);
    }
    return reply;
}

bool IsLocalAddress(std::uint32_t ip) {
    return InBlock(ip, Ip(127, 0, 0, 0), 8) || InBlock(ip, Ip(10, 0, 0, 0), 8) ||
           InBlock(ip, Ip(172, 16, 0, 0), 12) || InBlock(ip, Ip(192, 168, 0, 0), 16) ||
           InBlock(ip, Ip(169, 254, 0, 0), 16);
}

bool CanBeGameServer(ServerAddress address) {
    return address.port != 0 && !InBlock(address.ip, 0, 8) &&
           !InBlock(address.ip, Ip(224, 0, 0, 0), 4) && !InBlock(address.ip, Ip(240, 0, 0, 0), 4);
}

bool MasterMayName(std::uint32_t masterIp, ServerAddress server) {
    return CanBeGameServer(server) && (!IsLocalAddress(server.ip) || IsLocalAddress(masterIp));
}

MasterNames ParseMasterNames(const std::optional<std::string>& setting) {
    MasterNames names;
    if (!setting) {
        for (const std::string_view host : kDefaultMasters)
            names.masters.push_back({std::string(host), kMasterPort});
        return names;
    }
    std::string_view text = *setting;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty()) {
        const std::size_t start = std::find_if_not(text.begin(), text.end(), blank) - text.begin();
        text.remove_prefix(start);
        const std::size_t end = std::find_if(text.begin(), text.end(), blank) - text.begin();
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        if (word.empty())
            continue;
        const std::size_t colon = word.find(':');
        MasterName name{std::string(word.substr(0, colon)), kMasterPort};
        const bool hostGood =
            !name.host.empty() && std::all_of(name.host.begin(), name.host.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-';
            });
        const std::optional<std::uint16_t> port =
            colon == std::string_view::npos ? kMasterPort : Port(word.substr(colon + 1));
        if (!hostGood || !port) {
            names.rejected.emplace_back(word);
            continue;
        }
        name.port = *port;
        if (std::find(names.masters.begin(), names.masters.end(), name) == names.masters.end())
            names.masters.push_back(std::move(name));
    }
    return names;
}

std::vector<ServerAddress> MasterMerge::Take(std::size_t master, std::uint32_t masterIp,
                                             const MasterReply& reply) {
    std::vector<ServerAddress> taken;
    std::size_t& counted = counted_.at(master);
    for (const ServerAddress& server : reply.records) {
        if (counted >= cap_)
            break;
        ++counted;
        if (MasterMayName(masterIp, server) && seen_.insert(server).second)
            taken.push_back(server);
    }
    return taken;
}

} // namespace quorin
