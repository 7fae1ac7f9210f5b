#include "common/text.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(Trim, DropsTheGivenBlanksAtEitherEndAndNoOthers) {
    const struct {
        const char *text, *blanks, *trimmed;
    } cases[] = {
        {" \t a  b \t ", " \t", "a  b"},
        {" \ta\t ", " ", "\ta\t"}, // tabs stay where only spaces go
        {"   ", " ", ""},
        {"", " \t", ""},
        {"x", " \t", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Trim(c.text, c.blanks), c.trimmed) << '"' << c.text << '"';
}

} // namespace
} // namespace quorin
