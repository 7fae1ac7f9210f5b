#include "net/info_reply.h"

#include <algorithm>
#include <array>

#include "common/versions.h"

namespace quorin {
namespace {

int Number(std::string_view text) {
    if (text.empty() || text.size() > 4)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string InfoRequest(std::string_view challenge) {
    return "\xFF\xFF\xFF\xFFgetinfo " + std::string(challenge);
}

std::string ChallengeText(std::uint64_t random) {
    constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string text;
    for (int i = 0; i < 9; ++i, random /= kDigits.size())
        text += kDigits[random % kDigits.size()];
    return text;
}

std::optional<ServerInfo> ParseInfoReply(std::string_view datagram, std::string_view challenge) {
    if (!datagram.starts_with(kInfoReplyHeader))
        return std::nullopt;
    std::string_view rest = datagram.substr(kInfoReplyHeader.size());
    // The line break after the header, then \key\value pairs to the end of
    // the line.
    if (rest.starts_with('\n'))
        rest.remove_prefix(1);
    rest = rest.substr(0, rest.find('\n'));
    ServerInfo info;
    std::optional<std::string_view> echoed;
    std::array<bool, 10> seen{};
    const auto take = [&](std::size_t key, auto&& store) {
        if (!seen.at(key)) {
            seen.at(key) = true;
            store();
        }
    };
    const auto text = [](std::string_view value) {
        return std::string(value.substr(0, kInfoTextLimit));
    };
    while (rest.starts_with('\\')) {
        rest.remove_prefix(1);
        const std::size_t keyEnd = rest.find('\\');
        const std::string_view key = rest.substr(0, keyEnd);
        rest = keyEnd == std::string_view::npos ? std::string_view() : rest.substr(keyEnd + 1);
        const std::string_view value = rest.substr(0, rest.find('\\'));
        rest.remove_prefix(value.size());
        if (key == "challenge")
            take(0, [&] { echoed = value; });
        else if (key == "protocol")
            take(1, [&] { info.protocol = Number(value); });
        else if (key == "hostname")
            take(2, [&] { info.hostname = text(value); });
        else if (key == "mapname")
            take(3, [&] { info.mapname = text(value); });
        else if (key == "game")
            take(4, [&] { info.game = text(value); });
        else if (key == "clients")
            take(5, [&] { info.clients = Number(value); });
        else if (key == "sv_maxclients")
            take(6, [&] { info.maxClients = Number(value); });
        else if (key == "gametype")
            take(7, [&] { info.gametype = Number(value); });
        else if (key == "needpass")
            take(8, [&] { info.needPass = Number(value) > 0; });
        else if (key == "truejedi")
            take(9, [&] { info.trueJedi = Number(value) > 0; });
    }
    if (echoed != challenge)
        return std::nullopt;
    return info;
}

std::string_view GametypeName(int gametype) {
    constexpr std::string_view kNames[] = {
        "FFA",           "Holocron", "Jedi Master", "Duel", "Power Duel",
        "Single Player", "Team FFA", "Siege",       "CTF",  "CTY"};
    if (gametype < 0 || gametype >= static_cast<int>(std::size(kNames)))
        return {};
    return kNames[gametype];
}

std::string_view VersionOfProtocol(int protocol) {
    if (protocol == 25)
        return kVersion100;
    if (protocol == 26)
        return kVersion101;
    return {};
}

} // namespace quorin
