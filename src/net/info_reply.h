// The `getinfo` request and the server's `infoResponse`: what the list of
// servers shows of each one. Pure functions of the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorin {

inline constexpr std::string_view kInfoReplyHeader{"\xFF\xFF\xFF\xFFinfoResponse", 16};
// The longest name, map or mod kept from a reply; the rest is cut off.
inline constexpr std::size_t kInfoTextLimit = 256;

// Four bytes 0xFF, then "getinfo CHALLENGE".
std::string InfoRequest(std::string_view challenge);
// Nine letters and digits for a challenge, drawn from `random`.
std::string ChallengeText(std::uint64_t random);

struct ServerInfo {
    int protocol = -1; // -1 when the reply names none, or not as a number
    std::string hostname;
    std::string mapname;
    std::string game; // the mod folder; empty on a base server
    int clients = -1; // bots counted, private slots not
    int maxClients = -1;
    int gametype = -1;
    bool needPass = false;
    bool trueJedi = false;
    bool operator==(const ServerInfo&) const = default;
};

// The reply's info when the datagram is an infoResponse whose `challenge`
// is exactly `challenge`; nothing for any other datagram. A key given twice
// counts the first time, as the game reads it; numbers outside 0..9999 count
// as unknown.
std::optional<ServerInfo> ParseInfoReply(std::string_view datagram, std::string_view challenge);

// "FFA", "Holocron", ... for 0 to 9; empty for any other number.
std::string_view GametypeName(int gametype);
// The game version of a protocol ("v1.0.0" for 25, "v1.0.1" for 26), or
// empty.
std::string_view VersionOfProtocol(int protocol);

} // namespace quorin
