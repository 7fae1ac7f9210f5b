// What crosses to an elevated copy of Quorin and back: the command-line words
// it accepts, and what is no report of its.
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

// The round trip of real results is the elevated path's own test; here, what
// is no report of ours.
TEST(Transaction, AReportThatIsNotOursIsNotTaken) {
    for (const char* text :
         {"", "- 1", "- 5 x", "5 1 x", "x 1 x", "- 1 bad\\q", "- 1 end\\", "-1 1 x", "- +1 x"})
        EXPECT_FALSE(ParsePatchResult(text)) << text;
}

} // namespace
} // namespace quorin
