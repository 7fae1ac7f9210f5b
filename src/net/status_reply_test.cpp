#include "net/status_reply.h"

#include <gtest/gtest.h>

#include "tests/support/qstat_rules.h"

namespace quorin {
namespace {

const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse", 18);

// A parsed reply in one line: "-" without the header, else each pair as
// [name=value], then "v:" and the version when one was seen.
std::string Render(const StatusReply& r) {
    std::string out = r.headerPresent ? "" : "-";
    for (const auto& [name, value] : r.pairs)
        out += "[" + std::string(name) + "=" + std::string(value) + "]";
    return r.serverVersion ? out + " v:" + *r.serverVersion : out;
}

TEST(ParseStatusReply, HeaderPairsAndVersion) {
    const std::pair<std::string, std::string> cases[] = {
        {kHeader + "\n\\a\\1\\version\\abc v1.0.1.0 xyz",
         "[a=1][version=abc v1.0.1.0 xyz] v:v1.0.1"},
        {"junk" + kHeader + "tail\\a\\1", "[a=1]"}, // the header anywhere in the first segment
        {kHeader, ""},
        {"\xFF\xFF\xFF\xFFstatusresponse\n\\a\\1", "-"},
        {"\xFF\xFF\xFFstatusResponse\n\\a\\1", "-"},
        {"", "-"},
        // Empty segments kept; "version" here is a value, not a name.
        {kHeader + "\n\\\\x\\y\\\\\\version\\JAmp: v1.0.0.0 win\n0 20 \"^1Kyle\"\n",
         "[=x][y=][=version][JAmp: v1.0.0.0 win\n0 20 \"^1Kyle\"\n=]"},
        {kHeader + "\\version\\JAmp: v1.0.0.0 x\n3 40 \"a\"",
         "[version=JAmp: v1.0.0.0 x\n3 40 \"a\"] v:v1.0.0"},
        {kHeader + "\\a\\1\\lonely", "[a=1][lonely=]"},
        {kHeader + "\\a\\1\\", "[a=1][=]"},
        {kHeader + "\\version\\x v1.0.0\\Version\\x v9\\version\\x v1.0.1.0\\VERSION\\x v2",
         "[version=x v1.0.0][Version=x v9][version=x v1.0.1.0][VERSION=x v2] v:v1.0.1"},
        {kHeader + std::string("\\n\xE9\x00\xFF\\v", 7), std::string("[n\xE9\x00\xFF=v]", 8)},
    };
    for (const auto& [datagram, seen] : cases)
        EXPECT_EQ(Render(ParseStatusReply(datagram)), seen);
}

TEST(EffectiveServerVersion, FallsBackToTheProtocolOnlyForUnknownVersionTexts) {
    const struct {
        const char* what;
        std::string vars;
        std::optional<std::string> expected;
    } cases[] = {
        {"known text wins over protocol", "\\version\\JAmp: v1.0.0.0\\protocol\\26", "v1.0.0"},
        {"open engine, protocol 26", "\\version\\OpenJK-MP: 1.0.1 linux\\protocol\\26", "v1.0.1"},
        {"open engine, protocol 25", "\\protocol\\25\\version\\OpenJK-MP: 1.0.0", "v1.0.0"},
        {"unknown protocol keeps the text", "\\version\\ioq3 1.36+u2022\\protocol\\71", "1.36+u"},
        {"upper case stays different", "\\version\\x V1.0.1\\protocol\\26", "V1.0.1"},
        {"v and one digit is a version", "\\version\\x v1\\protocol\\25", "v1"},
        {"so is v0", "\\version\\x v0.9\\protocol\\26", "v0.9"},
        {"and v9", "\\version\\x v9.1\\protocol\\26", "v9.1"},
        {"v and a letter is not", "\\version\\x vr1.0\\protocol\\26", "v1.0.1"},
        {"an engine's own word", "\\version\\EternalJK: Beta\\protocol\\26", "v1.0.1"},
        {"protocol alone", "\\protocol\\26", "v1.0.1"},
        {"neither", "\\a\\b", std::nullopt},
        {"last protocol decides", "\\protocol\\25\\version\\X: y\\protocol\\26", "v1.0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EffectiveServerVersion(ParseStatusReply(kHeader + c.vars)), c.expected) << c.what;
}

// A reply captured from a real Quake-3-engine server (openarena-server) and
// what qstat made of the same reply: our parse must agree with qstat's.
TEST(CapturedReply, AgreesWithQstat) {
    const std::string dir = QUORIN_TEST_DATA_DIR;
    const StatusReply reply = ParseStatusReply(test::ReadFileBytes(dir + "/openarena-status.bin"));
    ASSERT_TRUE(reply.headerPresent) << "missing capture in " << dir;
    ASSERT_GE(reply.pairs.size(), 40u);
    EXPECT_EQ(test::DifferencesFromQstat(reply, test::ReadFileBytes(dir + "/openarena-qstat.txt")),
              std::vector<std::string>{});
    // The first pair is the echo of our challenge, in datagram order; an
    // open-source engine names no game version of ours.
    EXPECT_EQ(std::string(reply.pairs.front().first) + "=" +
                  std::string(reply.pairs.front().second) + " " +
                  reply.serverVersion.value_or("none"),
              "challenge=xxx 1.36+u");
}

} // namespace
} // namespace quorin
