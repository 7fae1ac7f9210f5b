// The switch plan: which copies, which marker, and what goes, from the client label.
#include <gtest/gtest.h>

#include "console/game_switch.h"

namespace quorin {
namespace {

TEST(PlanSwitch, TheDirectionComesFromTheClientLabelAlone) {
    const SwitchPlan up = PlanSwitch("v1.0.0", "C:\\Tool", "C:\\JA");
    EXPECT_EQ(up.marker, 599925);
    EXPECT_FALSE(up.deleteIfPresent);
    EXPECT_EQ(up.copies, (std::vector<CopyStep>{
                             {"C:\\Tool\\Patch Files\\101\\*.*", "C:\\JA\\GameData\\"},
                             {"C:\\Tool\\Patch Files\\101\\base\\*.*", "C:\\JA\\GameData\\base\\"}}));
    for (const char* other : {"v1.0.1", "V1.0.0", ""}) {
        const SwitchPlan down = PlanSwitch(other, "C:\\Tool", "C:\\JA\\");
        EXPECT_EQ(down.marker, 0) << other;
        EXPECT_EQ(down.deleteIfPresent, "C:\\JA\\\\GameData\\Base\\assets3.pk3"); // not normalised
        EXPECT_EQ(down.copies, (std::vector<CopyStep>{{"C:\\Tool\\Patch Files\\100\\*.*",
                                                       "C:\\JA\\\\GameData\\"}}));
    }
}

} // namespace
} // namespace quorin
