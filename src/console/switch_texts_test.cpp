#include "console/switch_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace quorin {
namespace {

// Where a text counts or rounds, at the edges a player meets: sizes
// rounded to whole megabytes (the need up, what is free down), and lists
// cut after five names with the rest counted.
TEST(SwitchTexts, SizesRoundAndListsCutAtTheirEdges) {
    const std::uint64_t mb = 1 << 20;
    const std::vector<std::string> five(5, "x"), six(6, "x");
    const struct {
        std::string text, part;
    } cases[] = {
        {NoRoomText(mb, mb, "G"), "needs 1 MB in \"G\", and 1 MB are free"},
        {NoRoomText(mb + 1, 2 * mb - 1, "G"), "needs 2 MB in \"G\", and 1 MB are free"},
        {NoRoomText(0, 0, "G"), "needs 0 MB in \"G\", and 0 MB are free"},
        {LeftBehindText(5, "a, b, c, d, e", "S"), "replace: a, b, c, d, e. Switching"},
        {LeftBehindText(6, "a, b, c, d, e", "S"), "replace: a, b, c, d, e, .... Switching"},
        {NotPutBackText(five, "F"), "back: x x x x x Its journal"},
        {NotPutBackText(six, "F"), "back: x x x x x (and 1 more) Its journal"},
        {NotPutBackText({}, "F"), "back: Its journal"},
    };
    for (const auto& c : cases)
        EXPECT_NE(c.text.find(c.part), std::string::npos) << c.text;
}

} // namespace
} // namespace quorin
