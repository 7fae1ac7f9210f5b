// What crosses to an elevated copy of Quorin and back: the command-line words
// it accepts and the one line it reports.
#include <gtest/gtest.h>

#include "console/transaction.h"

namespace quorin {
namespace {

TEST(Transaction, OnlyTheWordsQuorinMakesAreTaken) {
    for (const Transaction& t : {Transaction{true, {}}, Transaction{false, {true, false, false}},
                                 Transaction{false, {false, true, true}}})
        EXPECT_EQ(ParseTransactionArguments(TransactionArguments(t)), t) << TransactionArguments(t);
    for (const char* words :
         {"--transaction patch 102", "--transaction patch 101 set-aside check",
          "--transaction patch 100 set-aside", "--transaction recover ", "--transaction",
          "--transaction patch 101 C:\\Windows", "--TRANSACTION recover"})
        EXPECT_FALSE(ParseTransactionArguments(words)) << words;
}

TEST(Transaction, TheReportCarriesTheResultAndItsWordsWhole) {
    const std::string told = "line one\nC:\\JA\\GameData \\n as typed";
    const PatchResult results[] = {
        {std::nullopt, {SwitchOutcome::RolledBack, told}},
        {RecoverResult{Leftover::Doubt, told}, {SwitchOutcome::NotStarted, ""}},
        {std::nullopt, {SwitchOutcome::Switched, ""}},
    };
    for (const PatchResult& r : results) {
        const auto back = ParsePatchResult(FormatPatchResult(r));
        ASSERT_TRUE(back) << FormatPatchResult(r);
        EXPECT_EQ(back->switched.outcome, r.switched.outcome);
        EXPECT_EQ(back->switched.problem, r.switched.problem);
        EXPECT_EQ(back->found ? static_cast<int>(back->found->leftover) : -1,
                  r.found ? static_cast<int>(r.found->leftover) : -1);
        if (r.found && back->found) {
            EXPECT_EQ(back->found->told, told);
        }
    }
    for (const char* text :
         {"", "- 1", "- 5 x", "5 1 x", "x 1 x", "- 1 bad\\q", "- 1 end\\", "-1 1 x", "- +1 x"})
        EXPECT_FALSE(ParsePatchResult(text)) << text;
}

} // namespace
} // namespace quorin
