#include "net/info_reply.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

const std::string kReply = "\xFF\xFF\xFF\xFFinfoResponse\n";

// The info in one line, or "none".
std::string Render(const std::optional<ServerInfo>& i) {
    if (!i)
        return "none";
    return std::to_string(i->protocol) + "|" + i->hostname + "|" + i->mapname + "|" + i->game +
           "|" + std::to_string(i->clients) + "/" + std::to_string(i->maxClients) + "|" +
           std::to_string(i->gametype) + (i->needPass ? "|pass" : "") + (i->trueJedi ? "|tj" : "");
}

TEST(ParseInfoReply, TakesOnlyAReplyToItsOwnChallenge) {
    const std::string full = "\\challenge\\abc\\protocol\\26\\hostname\\^1Red\\mapname\\mp/ffa3"
                             "\\clients\\3\\sv_maxclients\\16\\gametype\\7\\needpass\\1"
                             "\\truejedi\\1\\game\\japlus\\wdisable\\0";
    const std::pair<std::string, std::string> cases[] = {
        {kReply + full, "26|^1Red|mp/ffa3|japlus|3/16|7|pass|tj"},
        {kReply + "\\protocol\\25\\challenge\\abc", "25||||-1/-1|-1"},
        {std::string(kInfoReplyHeader) + "\\challenge\\abc", "-1||||-1/-1|-1"},
        {kReply + "\\challenge\\abd\\protocol\\26", "none"},
        {kReply + "\\challenge\\ab", "none"},
        {kReply + "\\challenge\\abc\\challenge\\x", "-1||||-1/-1|-1"},
        {kReply + "\\challenge\\x\\challenge\\abc", "none"}, // the first one counts
        {kReply + "\\protocol\\26", "none"},
        {kReply + "\\challenge", "none"},
        {"\xFF\xFF\xFF\xFFstatusResponse\n\\challenge\\abc", "none"},
        {"\xFF\xFF\xFF\xFFinforesponse\n\\challenge\\abc", "none"},
        // Numbers that are not, the first of a pair, nothing after the line.
        {kReply + "\\challenge\\abc\\clients\\-1\\sv_maxclients\\99999\\gametype\\x"
                  "\\protocol\\26\\protocol\\25\\needpass\\0",
         "26||||-1/-1|-1"},
        {kReply + "\\challenge\\abc\\hostname\\a\nb\\mapname\\m", "-1|a|||-1/-1|-1"},
        {kReply + "\\challenge\\abc\\\\\\hostname\\h\\", "-1|h|||-1/-1|-1"},
    };
    for (const auto& [datagram, seen] : cases)
        EXPECT_EQ(Render(ParseInfoReply(datagram, "abc")), seen) << datagram;
}

TEST(GametypeName, NamesTheTenTypes) {
    const std::pair<int, std::string_view> cases[] = {
        {0, "FFA"}, {4, "Power Duel"}, {6, "Team FFA"}, {9, "CTY"}, {10, ""}, {-1, ""}};
    for (const auto& [type, name] : cases)
        EXPECT_EQ(GametypeName(type), name) << type;
}

TEST(ChallengeText, NineCharactersThatFollowTheRandomNumber) {
    EXPECT_EQ(ChallengeText(0), "000000000");
    EXPECT_NE(ChallengeText(1), ChallengeText(36));
    EXPECT_EQ(InfoRequest("x1"), "\xFF\xFF\xFF\xFFgetinfo x1");
}

} // namespace
} // namespace quorin
