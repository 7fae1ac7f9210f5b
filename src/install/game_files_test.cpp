// What the switch asks of a game folder, run against the in-memory folder
// natively and real files under Wine: the switch's tests on the one hold
// for the other only while both answer alike.
#include "install/game_files.h"

#include <gtest/gtest.h>

#include "tests/support/game_folder.h"

namespace quorin {
namespace {

class GameFilesContract : public ::testing::Test {
  protected:
    void TearDown() override {
        sources_.clear();
        auto all = files_.List(root_).value_or(std::vector<FileEntry>{});
        for (auto e = all.rbegin(); e != all.rend(); ++e)
            e->state.folder ? files_.RemoveFolder(At(e->path)) : files_.RemoveFile(At(e->path));
        EXPECT_EQ(files_.RemoveFolder(root_), kFileOk);
    }
    std::string At(const std::string& name) { return root_ + "\\" + name; }
    // A file, held open without sharing for as long as the result lives.
    std::unique_ptr<IJournalFile> Put(const std::string& name, const std::string& text) {
        FileResult error;
        return files_.CreateJournal(At(name), text, error);
    }
    std::string Text(const std::string& name) {
        return files_.ReadText(At(name), 100).value_or("(none)");
    }
    // Everything in "patch", each file opened as a source, into "game".
    CopyResult Copy(const std::vector<Move>& moves) {
        std::vector<CopyItem> items;
        for (const FileEntry& e : files_.List(At("patch")).value_or(std::vector<FileEntry>{})) {
            FileResult error;
            if (!e.state.folder)
                sources_.push_back(files_.OpenSource(At("patch\\" + e.path), error));
            items.push_back(
                {At("game\\" + e.path), e.state.folder ? nullptr : sources_.back().get()});
        }
        return files_.CopyFiles(At("game"), items, moves, [] {});
    }

    test::GameFolder folder_ = test::MakeGameFolder();
    IGameFiles& files_ = *folder_.files;
    const std::string root_ = folder_.root;
    std::vector<std::unique_ptr<ISource>> sources_;
};

TEST_F(GameFilesContract, ChangesFailForTheSameReasons) {
    files_.MakeFolder(At("full"));
    Put("full\\file", "f");
    Put("plain", "p");
    Put("read-only", "r");
    MakeReadOnly(folder_, At("read-only"));
    const auto held = Put("held", "h");
    FileResult journal;
    const std::pair<FileResult, FileResult> cases[] = {
        {files_.RemoveFile(At("plain")), kFileOk},
        {files_.RemoveFile(At("read-only")), kFileOk},
        {files_.RemoveFile(At("held")), kFileInUse},
        {files_.RemoveFile(At("missing")), kFileNotFound},
        {files_.RemoveFile(At("full")), kFileAccessDenied},
        {files_.RemoveFolder(At("full")), kFileNotEmpty},
        {files_.MakeFolder(At("full")), kFileExists},
        {files_.Rename(At("held"), At("moved")), kFileInUse},
        {files_.Rename(At("full\\file"), At("held")), kFileExists},
        {files_.Rename(At("missing"), At("moved")), kFileNotFound},
        {(files_.CreateJournal(At("full\\file"), "j", journal), journal), kFileExists},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    // Held: unread, and removed through its own handle.
    EXPECT_EQ(Text("plain") + Text("read-only") + Text("held") + Text("full\\file"),
              "(none)(none)(none)f");
    EXPECT_EQ(held->Remove(), kFileOk);
    EXPECT_FALSE(files_.Stat(At("held")).exists);
}

TEST_F(GameFilesContract, ACopyMovesFirstKeepsTimesAndStopsAtAFileInItsWay) {
    const auto held = Put("held", "h");
    for (const char* folder : {"patch", "patch\\ui", "game", "game\\ui", "game\\aside"})
        files_.MakeFolder(At(folder));
    for (const char* name : {"jamp.exe", "ui\\menu.txt"}) {
        Put("patch\\" + std::string(name), "new " + std::string(name));
        Put("game\\" + std::string(name), "old " + std::string(name));
    }
    MakeReadOnly(folder_, At("patch\\ui\\menu.txt"));
    // Every copy lands where nothing is, as in a switch, read-only as it came.
    CopyResult copy = Copy({{At("game\\jamp.exe"), At("game\\aside\\0")},
                            {At("game\\ui\\menu.txt"), At("game\\aside\\1")}});
    EXPECT_TRUE(copy.copied);
    EXPECT_EQ(Text("game\\jamp.exe") + ", " + Text("game\\ui\\menu.txt") + ", " +
                  Text("game\\aside\\0") + ", " + Text("game\\aside\\1"),
              "new jamp.exe, new ui\\menu.txt, old jamp.exe, old ui\\menu.txt");
    for (const char* name : {"jamp.exe", "ui\\menu.txt"})
        EXPECT_EQ(files_.Stat(At("game\\") + name), files_.Stat(At("patch\\") + name)) << name;

    // A source cannot change while it is open; a held one cannot be opened;
    // a copy never writes over a file that is there.
    EXPECT_EQ(files_.RemoveFile(At("patch\\jamp.exe")), kFileInUse);
    sources_.clear();
    FileResult error;
    EXPECT_FALSE(files_.OpenSource(At("held"), error));
    EXPECT_EQ(error, kFileInUse);
    EXPECT_EQ(files_.RemoveFile(At("game\\ui\\menu.txt")), kFileOk);
    copy = Copy({});
    EXPECT_EQ(copy.copyError, kFileExists);
    EXPECT_EQ(copy.failedPath, At("game\\jamp.exe"));
    // A move onto a name that is taken stops the copy.
    copy = Copy({{At("game\\jamp.exe"), At("game\\aside\\0")}});
    EXPECT_EQ(copy.movesDone + copy.copied, 0u);
    EXPECT_EQ(copy.moveError, kFileExists);
}

// Typical access lists of a game folder: what only administrators change,
// and what the player (or any other account) may change too.
TEST(GameFolderRights, OnlyAdministratorsOwnAndChangeIt) {
    const std::string admins = "S-1-5-32-544", system = "S-1-5-18", player = "S-1-5-21-7-8-9-1001";
    const AccessEntry installed[] = {{system, true, false, 0x1f01ff},
                                     {admins, true, false, 0x1f01ff},
                                     {"S-1-5-32-545", true, false, 0x1200a9}, // Users: read
                                     {"S-1-3-0", true, true, 0x10000000}};    // CREATOR OWNER
    const std::vector<AccessEntry> safe(std::begin(installed), std::end(installed));
    const auto with = [&](AccessEntry e) {
        std::vector<AccessEntry> entries = safe;
        entries.push_back(e);
        return entries;
    };
    const std::pair<bool, bool> cases[] = {
        {OnlyAdministratorsChange(admins, safe), true},
        {OnlyAdministratorsChange(player, safe), false}, // an owner may change the list
        {OnlyAdministratorsChange(admins, with({"S-1-5-11", true, false, 0x4})), false},
        {OnlyAdministratorsChange(admins, with({player, true, false, 0x10000})), false},
        {OnlyAdministratorsChange(admins, with({player, false, false, 0x1f01ff})), true},
        {OnlyAdministratorsChange(admins, with({player, true, true, 0x1f01ff})), true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

} // namespace
} // namespace quorin
