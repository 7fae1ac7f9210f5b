// A reply captured from a real Quake-3-engine server (openarena-server) and
// what qstat made of the same reply: our parse must agree with qstat's.
#include <gtest/gtest.h>

#include "net/status_reply.h"
#include "tests/support/qstat_rules.h"

namespace quorin {
namespace {

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
