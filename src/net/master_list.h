// The master servers' lists of game servers: the request for one protocol,
// the reply's fixed 7-byte records, which addresses a list may name, and the
// merge of every master's list into one row per address and port. Pure
// functions of the bytes; no socket here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

// The two protocols the game speaks: 25 is 1.0.0, 26 is 1.0.1.
inline constexpr int kProtocol100 = 25;
inline constexpr int kProtocol101 = 26;

inline constexpr std::uint16_t kMasterPort = 29060;
// A master's records counted in one refresh, duplicates and skipped ones too.
inline constexpr std::size_t kMasterRecordCap = 20000;
// What a master puts into one datagram at most.
inline constexpr std::size_t kMasterRecordsPerDatagram = 196;
inline constexpr std::size_t kMasterRecordSize = 7;

inline constexpr std::string_view kMasterReplyHeader{"\xFF\xFF\xFF\xFFgetserversResponse", 22};

// An IPv4 address as a number (a.b.c.d is a << 24 | ... | d) and a port.
struct ServerAddress {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    auto operator<=>(const ServerAddress&) const = default;
};

// "a.b.c.d:port".
std::string AddressText(ServerAddress address);
// The dotted address with an optional port (the default when there is none);
// nothing for anything else, names included.
std::optional<ServerAddress> ParseAddressText(std::string_view text, std::uint16_t defaultPort);

// Four bytes 0xFF, then "getservers PROTOCOL full empty": without "full
// empty" a master leaves out the empty and the full servers.
std::string MasterRequest(int protocol);

struct MasterReply {
    bool headerPresent = false;
    // The end marker ("\EOT" or "\EOF") was seen.
    bool endMarker = false;
    // Every IPv4 record before the marker, in order, no rule applied yet.
    std::vector<ServerAddress> records;
};

// Records are read 7 bytes at a time after the header; an IPv6 record ("/"
// and 18 bytes) is passed over; the first byte that starts no record, or a
// record cut short, ends the reading.
MasterReply ParseMasterReply(std::string_view datagram);

// 127.0.0.0/8, 10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, 169.254.0.0/16.
bool IsLocalAddress(std::uint32_t ip);
// Not 0.0.0.0/8, multicast (224.0.0.0/4), the reserved block and broadcast
// (240.0.0.0/4), nor port 0.
bool CanBeGameServer(ServerAddress address);
// A server a master at `masterIp` may name: one that can be a game server,
// and a local one only when the master is local itself.
bool MasterMayName(std::uint32_t masterIp, ServerAddress server);

// A master as the player names it: "host" or "host:port".
struct MasterName {
    std::string host;
    std::uint16_t port = kMasterPort;
    bool operator==(const MasterName&) const = default;
};

struct MasterNames {
    std::vector<MasterName> masters;
    // The words that name no master (a bad port, an empty host), as written.
    std::vector<std::string> rejected;
};

// The "Masters" setting: host:port words separated by blanks; a word twice
// counts once. An absent setting gives the masters the game's open-source
// clients ship with.
MasterNames ParseMasterNames(const std::optional<std::string>& setting);

// Every master's records merged into one list, one entry per address and
// port, each master's records counted against its cap.
class MasterMerge {
  public:
    explicit MasterMerge(std::size_t masters, std::size_t cap = kMasterRecordCap)
        : counted_(masters, 0), cap_(cap) {}

    // Takes the records of one reply from master `master` (at `masterIp`)
    // that the master may name and the list does not hold yet, and gives
    // them in the reply's order; records beyond the master's cap are not
    // read.
    std::vector<ServerAddress> Take(std::size_t master, std::uint32_t masterIp,
                                    const MasterReply& reply);

    bool Full(std::size_t master) const { return counted_.at(master) >= cap_; }
    std::size_t size() const { return seen_.size(); }

  private:
    std::vector<std::size_t> counted_;
    std::size_t cap_;
    std::set<ServerAddress> seen_;
};

} // namespace quorin
