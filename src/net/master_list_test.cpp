#include "net/master_list.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

const std::string kReply("\xFF\xFF\xFF\xFFgetserversResponse");
const std::string kEot("\\EOT\0\0\0", 7);

std::string Record(unsigned a, unsigned b, unsigned c, unsigned d, unsigned port) {
    return {'\\',
            static_cast<char>(a),
            static_cast<char>(b),
            static_cast<char>(c),
            static_cast<char>(d),
            static_cast<char>(port >> 8),
            static_cast<char>(port & 0xFF)};
}

// "-" without the header, each record as " a.b.c.d:port", then " END" when the
// marker was seen.
std::string Render(const MasterReply& reply) {
    std::string out = reply.headerPresent ? "" : "-";
    for (const ServerAddress& a : reply.records)
        out += " " + AddressText(a);
    return reply.endMarker ? out + " END" : out;
}

TEST(ParseMasterReply, ReadsFixedRecordsUpToTheMarker) {
    const std::string a = Record(1, 2, 3, 4, 29070), b = Record(200, 0, 0, 9, 1);
    const std::pair<std::string, std::string> cases[] = {
        {kReply + a + b + kEot, " 1.2.3.4:29070 200.0.0.9:1 END"},
        {kReply + a, " 1.2.3.4:29070"},               // no marker: more may follow
        {kReply + a + "\\EOT", " 1.2.3.4:29070 END"}, // the marker cut short
        {kReply + a + "\\EOF", " 1.2.3.4:29070 END"},
        {kReply + a + kEot + b, " 1.2.3.4:29070 END"},
        {kReply + a + b.substr(0, 6), " 1.2.3.4:29070"}, // a record cut short
        {kReply + a + "x" + b, " 1.2.3.4:29070"},
        {kReply + "/" + std::string(18, '\x01') + a, " 1.2.3.4:29070"}, // IPv6 passed over
        {kReply + Record(69, 79, 84, 1, 29070) + kEot, " 69.79.84.1:29070 END"},
        {kReply + Record(69, 79, 70, 0, 0), " END"},
        {kReply, ""},
        {"\xFF\xFF\xFF\xFFgetserversresponse" + a, "-"},
        {kReply.substr(1) + a, "-"},
    };
    for (const auto& [datagram, seen] : cases)
        EXPECT_EQ(Render(ParseMasterReply(datagram)), seen) << seen;
}

TEST(MasterRequest, AsksForFullAndEmptyServers) {
    EXPECT_EQ(MasterRequest(kProtocol100), "\xFF\xFF\xFF\xFFgetservers 25 full empty");
}

TEST(MasterMayName, SkipsWhatCannotBeAGameServerAndLocalAddressesFromAfar) {
    const struct {
        const char* master;
        const char* server;
        bool taken;
    } cases[] = {
        {"203.0.113.7", "198.51.100.1:29070", true}, {"203.0.113.7", "0.1.2.3:29070", false},
        {"203.0.113.7", "224.0.0.1:29070", false},   {"203.0.113.7", "239.9.9.9:29070", false},
        {"203.0.113.7", "255.255.255.255:1", false}, {"203.0.113.7", "240.0.0.1:29070", false},
        {"203.0.113.7", "127.0.0.1:29070", false},   {"203.0.113.7", "10.1.1.1:29070", false},
        {"203.0.113.7", "172.31.0.1:29070", false},  {"203.0.113.7", "172.32.0.1:29070", true},
        {"203.0.113.7", "192.168.1.2:29070", false}, {"203.0.113.7", "169.254.0.1:29070", false},
        {"127.0.0.1", "127.0.0.5:29070", true},      {"192.168.0.1", "10.0.0.2:29070", true},
        {"127.0.0.1", "198.51.100.1:29070", true},
    };
    for (const auto& c : cases) {
        const ServerAddress master = *ParseAddressText(c.master, 1);
        EXPECT_EQ(MasterMayName(master.ip, *ParseAddressText(c.server, 1)), c.taken) << c.server;
    }
    EXPECT_FALSE(MasterMayName(0x7F000001, {0x7F000001, 0})); // port 0
}

TEST(ParseAddressText, DottedAddressesWithAnOptionalPort) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.2.3.4", "1.2.3.4:29070"},
        {"255.0.10.1:1", "255.0.10.1:1"},
        {"1.2.3.4:65535", "1.2.3.4:65535"},
        {"1.2.3.4:0", ""},
        {"1.2.3.4:65536", ""},
        {"1.2.3.256", ""},
        {"1.2.3", ""},
        {"1.2.3.4.5", ""},
        {"1..3.4", ""},
        {"a.b.c.d", ""},
        {"1.2.3.4:", ""},
        {"0001.2.3.4", ""},
    };
    for (const auto& [text, seen] : cases) {
        const auto address = ParseAddressText(text, 29070);
        EXPECT_EQ(address ? AddressText(*address) : "", seen) << text;
    }
}

TEST(ParseMasterNames, ThePlayersWordsOrTheDefaults) {
    const MasterNames defaults = ParseMasterNames(std::nullopt);
    EXPECT_EQ(defaults.masters.size(), 3u);
    EXPECT_EQ(defaults.masters.at(0).port, kMasterPort);

    const MasterNames set = ParseMasterNames(
        " 127.0.0.1:27950\tmaster.example:1 127.0.0.1:27950 bad:0 x:70000 :5 a_b 127.0.0.2 ");
    const std::vector<MasterName> masters{
        {"127.0.0.1", 27950}, {"master.example", 1}, {"127.0.0.2", kMasterPort}};
    EXPECT_EQ(set.masters, masters);
    EXPECT_EQ(set.rejected, (std::vector<std::string>{"bad:0", "x:70000", ":5", "a_b"}));
    EXPECT_TRUE(ParseMasterNames("").masters.empty());
}

TEST(MasterMerge, OneEntryPerServerAndACapPerMaster) {
    const std::uint32_t here = ParseAddressText("127.0.0.1", 1)->ip;
    const std::string a = Record(1, 1, 1, 1, 1), b = Record(2, 2, 2, 2, 2);
    MasterMerge merge(2, 3);
    // Duplicates and skipped records count against the cap.
    EXPECT_EQ(
        merge.Take(0, here, ParseMasterReply(kReply + a + a + Record(0, 0, 0, 1, 1) + b)).size(),
        1u);
    EXPECT_TRUE(merge.Full(0));
    const std::vector<ServerAddress> second = merge.Take(1, here, ParseMasterReply(kReply + b + a));
    EXPECT_EQ(second, (std::vector<ServerAddress>{{0x02020202, 2}}));
    EXPECT_EQ(merge.size(), 2u);
}

} // namespace
} // namespace quorin
