// A reply captured from a real Quake-3-engine server (openarena-server) and
// what qstat made of the same reply: our parse must agree with qstat's.
#include <gtest/gtest.h>

#include "net/status_reply.h"
#include "tests/support/qstat_rules.h"

namespace quorin {
namespace {

const std::string kDataDir = QUORIN_TEST_DATA_DIR;

TEST(CapturedReply, AgreesWithQstat) {
    const std::string datagram = test::ReadFileBytes(kDataDir + "/openarena-status.bin");
    const std::string qstat = test::ReadFileBytes(kDataDir + "/openarena-qstat.txt");
    ASSERT_GT(datagram.size(), 100u) << "missing capture in " << kDataDir;

    const StatusReply reply = ParseStatusReply(datagram);
    ASSERT_TRUE(reply.headerPresent);
    EXPECT_GE(reply.pairs.size(), 40u);
    EXPECT_EQ(test::DifferencesFromQstat(reply, qstat), std::vector<std::string>{});
    // The first pair is the echo of our challenge, in datagram order.
    ASSERT_FALSE(reply.pairs.empty());
    EXPECT_EQ(reply.pairs.front(),
              (std::pair<std::string_view, std::string_view>{"challenge", "xxx"}));
    // An open-source engine names no game version of ours.
    ASSERT_TRUE(reply.serverVersion.has_value());
    EXPECT_EQ(*reply.serverVersion, "1.36+u");
}

} // namespace
} // namespace quorin
