#include "net/error_text.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(GetErrorDescription, NamesTheKnownCodes) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {10004, "Interrupted function call."},
        {10040, "Message too long."},
        {10047, "Address family not supported by protocol family."},
        {10052, "Network dropped connection on reset."},
        {10054, "Connection reset by peer."},
        {10061, "Connection refused."},
        {10093, "Successful WSAStartup not yet performed."},
        {11004, "Valid name, no data record of requested type."},
        {0, "Unknown error."}, // and every code outside the table
        {10059, "Unknown error."},
        {11005, "Unknown error."},
        {-10054, "Unknown error."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(GetErrorDescription(code), text) << code;
}

} // namespace
} // namespace quorin
