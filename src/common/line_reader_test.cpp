#include "common/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorin {
namespace {

TEST(LineReader, GivesWholeLinesUpToTheFirstCutShortOrTooLong) {
    using namespace std::string_literals;
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\nb\n", {"a", "b"}},    {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\r\n", {"a\r"}},      // one line end only
        {"a\nb", {"a"}},           // cut short
        {"a\0b\n"s, {"a\0b"s}},    // a NUL is the line's own
        {"abc\r\n", {"abc"}},      // the limit leaves out the line end
        {"ab\nabcd\nc\n", {"ab"}}, // too long
        {"\n\n", {"", ""}},        {"", {}},
    };
    for (const auto& c : cases) {
        LineReader reader(c.text, 3);
        std::vector<std::string> lines; // none after the first that is not given
        for (int i = 0; i < 4; ++i)
            if (const auto line = reader.Next())
                lines.emplace_back(*line);
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

} // namespace
} // namespace quorin
