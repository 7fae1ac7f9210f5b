#include "console/switch_journal.h"

#include <gtest/gtest.h>

#include <string>

namespace quorin {
namespace {

TEST(SwitchJournal, ReadsBackWhatItWroteAndRejectsAnUnfinishedOne) {
    const SwitchJournal journal{599925u, {"ui"}, {"ui\\menu.txt"}, {"jamp.exe", "my file.txt"}};
    const std::string text = FormatJournal(journal);
    EXPECT_EQ(ParseJournal(text), journal);
    EXPECT_FALSE(ParseJournal(text.substr(0, text.size() - 4)));  // no end line
    EXPECT_FALSE(ParseJournal(text + "new x\n"));                 // past the end
    EXPECT_FALSE(ParseJournal("Quorin switch journal 2\nend\n")); // no marker line
    EXPECT_FALSE(ParseJournal("Quorin switch journal 2\nmarker 0\nmarker 1\nend\n"));
    EXPECT_FALSE(ParseJournal("Quorin switch journal 2\nmarker 0\nnew " +
                              std::string(kJournalLineLimit, 'a') + "\nend\n"));
    // Saved again by an editor, with CRLF line ends.
    const auto none = ParseJournal("Quorin switch journal 2\r\nmarker none\r\nend\r\n");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->marker, std::nullopt);
}

} // namespace
} // namespace quorin
