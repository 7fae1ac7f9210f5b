// What crosses to an elevated copy of Quorin and back: the command-line words
// it accepts, and what is no report of its.
#include <gtest/gtest.h>

#include "console/patch_transaction.h"

#include <map>

namespace quorin {
namespace {

TEST(Transaction, OnlyTheWordsQuorinMakesAreTaken) {
    for (const Transaction& t :
         {Transaction{true, {}}, Transaction{false, {true, false, false}},
          Transaction{false, {false, true, true}}, Transaction{false, {}, 599925u}})
        EXPECT_EQ(ParseTransactionArguments(TransactionArguments(t)), t) << TransactionArguments(t);
    for (const char* words :
         {"--transaction patch 102", "--transaction patch 101 set-aside check",
          "--transaction patch 100 set-aside", "--transaction recover ", "--transaction",
          "--transaction patch 101 C:\\Windows", "--TRANSACTION recover",
          "--transaction marker 012", "--transaction marker 5 recover"})
        EXPECT_FALSE(ParseTransactionArguments(words)) << words;
}

// The round trip of real results is the elevated path's own test; here, what
// is no report of ours.
TEST(Transaction, AReportThatIsNotOursIsNotTaken) {
    for (const char* text :
         {"", "- 1", "- 5 x", "5 1 x", "x 1 x", "- 1 bad\\q", "- 1 end\\", "-1 1 x", "- +1 x"})
        EXPECT_FALSE(ParsePatchResult(text)) << text;
}

TEST(Transaction, TheCopysReportIsTakenInAnyPiecesAndNothingElse) {
    const PatchResult switched{std::nullopt, {SwitchOutcome::Switched, {}}};
    ReportReader reader;
    std::vector<int> percents;
    for (const char c : ProgressLine(7) + ProgressLine(100) + ResultLine(switched))
        EXPECT_TRUE(reader.Take({c}, [&](int percent) { percents.push_back(percent); }));
    EXPECT_EQ(percents, (std::vector<int>{7, 100}));
    EXPECT_EQ(reader.Result(), FormatPatchResult(switched));
    for (const std::string& bad :
         {std::string("progress 101\n"), std::string("progress -1\n"), std::string("progress\n"),
          std::string("result 5 1 x\n"), std::string("Patched\n"),
          ResultLine(switched) + ProgressLine(5), std::string(70000, 'a')})
        EXPECT_FALSE(ReportReader().Take(bad, {})) << bad.substr(0, 20);
}

// The copy's look at who asked for it, where the asker's process cannot be
// opened (it belongs to the player, the copy to an administrator).
TEST(Transaction, TheRequesterIsToldByTheProcessListWhenItCannotBeOpened) {
    struct Names : IProcessNames {
        std::map<unsigned long, std::string> listed, opened;
        std::optional<std::string> Find(std::map<unsigned long, std::string>& in,
                                        unsigned long id) {
            return in.contains(id) ? std::optional(in[id]) : std::nullopt;
        }
        std::optional<std::string> Listed(unsigned long id) override { return Find(listed, id); }
        std::optional<std::string> Opened(unsigned long id) override { return Find(opened, id); }
    } names;
    const std::string quorin = "\\Device\\HarddiskVolume2\\Games\\Quorin\\quorin.exe";
    names.listed = {{1, quorin},
                    {2, "\\Device\\HarddiskVolume2\\GAMES\\QUORIN\\Quorin.exe"},
                    {3, "\\Device\\HarddiskVolume2\\Users\\p\\quorin.exe"}};
    names.opened = {{1, "C:\\Games\\Quorin\\quorin.exe"}}; // only its own process
    EXPECT_TRUE(RunsThisProgram(names, 1, 2));
    EXPECT_FALSE(RunsThisProgram(names, 1, 3));
    EXPECT_FALSE(RunsThisProgram(names, 1, 4)); // gone, or unknown
}

} // namespace
} // namespace quorin
