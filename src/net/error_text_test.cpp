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
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(GetErrorDescription(code), text) << code;
}

TEST(GetErrorDescription, EveryOtherCodeIsUnknown) {
    int known = 0;
    for (std::int32_t code = -1; code <= 12000; ++code)
        if (GetErrorDescription(code) != "Unknown error.")
            ++known;
    EXPECT_EQ(known, 44);
    for (std::int32_t code : {0, 10059, 10062, 11005, -10054})
        EXPECT_EQ(GetErrorDescription(code), "Unknown error.") << code;
}

TEST(GetErrorDescription, OnlyTheResetCodeGivesTheResetText) {
    for (std::int32_t code = 10000; code <= 11100; ++code)
        EXPECT_EQ(GetErrorDescription(code) == "Connection reset by peer.", code == 10054);
}

} // namespace
} // namespace quorin
