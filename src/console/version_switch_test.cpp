// The switch as a transaction over an in-memory game folder: every failure
// leaves files and marker exactly as they were, a switch cut short is rolled
// back at the next start, and nothing found on disk (a journal, a link, a
// second Quorin) makes it touch anything outside "GameData" or lose a file.
#include <gtest/gtest.h>

#include "console/version_switch.h"
#include "install/patch_store.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"

namespace quorin {
namespace {

constexpr char kFolder[] = "C:\\JA\\GameData\\Quorin switch";
constexpr char kJournal[] = "C:\\JA\\GameData\\Quorin switch\\journal.txt";

class VersionSwitchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry_.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz,
                         ToRegistryData(std::string("C:\\JA")).bytes);
        install_.LoadInstallInfo();
        files_.File("C:\\Tool\\Patch Files\\100\\jamp.exe", "client 100");
        files_.File("C:\\Tool\\Patch Files\\100\\ui\\menu.txt", "menu 100");
        files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
        files_.File("C:\\Tool\\Patch Files\\101\\ui\\menu.txt", "menu 101");
        files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
        files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
        files_.File("C:\\JA\\GameData\\base\\assets0.pk3", "assets 0");
        files_.File("C:\\Victim\\precious.txt", "precious");
    }
    SwitchResult Switch(const char* client) {
        return VersionSwitch(files_, install_)
            .Run(PlanSwitch(client, "C:\\Tool", "C:\\JA"),
                 [this](int p) { progress_.push_back(p); });
    }
    RecoverResult Recover() { return VersionSwitch(files_, install_).Recover(); }
    // Everything but the patch store, and the marker, to compare before and after.
    auto Snapshot() {
        std::map<std::string, test::MemoryFiles::Node> disk;
        for (const auto& [key, node] : files_.nodes)
            if (!key.starts_with("c:\\tool\\"))
                disk[key] = node;
        return std::pair{disk, registry_.GetRaw(kGameVersionKey, kMagicValue)};
    }
    void Reset() {
        files_ = {};
        progress_.clear();
        registry_.PutRaw(kGameVersionKey, kMagicValue, kRegDword, {0, 0, 0, 0});
        SetUp();
    }

    test::MemoryRegistry registry_;
    InstallRecord install_{registry_};
    test::MemoryFiles files_;
    std::vector<int> progress_;
};

TEST_F(VersionSwitchTest, UpWritesEachFileOnceAndDownRemovesTheNewAssets) {
    // A read-only game file is replaced as any other, and the copy of a
    // read-only patch file (from a disc) does not stop the next switch.
    files_.nodes["c:\\ja\\gamedata\\jamp.exe"].state.readOnly = true;
    files_.nodes["c:\\tool\\patch files\\101\\ui\\menu.txt"].state.readOnly = true;
    EXPECT_EQ(Switch("v1.0.0").problem, "");
    EXPECT_EQ(install_.ReadMagic(), "599925");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 101");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\ui\\menu.txt"), "menu 101");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\Base\\assets3.pk3"), "assets 101");
    // The first copy takes "base" along, so the second does not copy it again.
    EXPECT_EQ(files_.written.size(), 3u);
    EXPECT_EQ(progress_, (std::vector<int>{0, 100})); // each step told once
    EXPECT_FALSE(files_.Stat(kFolder).exists);

    EXPECT_EQ(Switch("v1.0.1").problem, "");
    EXPECT_EQ(install_.ReadMagic(), "0");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\base\\assets3.pk3").exists);
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 100");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\ui\\menu.txt"), "menu 100");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\base\\assets0.pk3"), "assets 0");
    EXPECT_FALSE(files_.Stat(kFolder).exists);
}

TEST_F(VersionSwitchTest, DownRemovesTheFilesTheStoreRecordsAsOnly101s) {
    files_.File("C:\\Tool\\Patch Files\\101\\base\\added.pk3", "added 101");
    files_.File("C:\\Tool\\Patch Files\\Quorin store.txt",
                FormatStoreRecord({{100, 101}, {}, {"base\\added.pk3"}}));
    ASSERT_EQ(Switch("v1.0.0").problem, "");
    const auto up = Snapshot();
    // Rolled back like every other change: the file is there again.
    files_.held.insert("c:\\ja\\gamedata\\jamp.exe");
    EXPECT_EQ(Switch("v1.0.1").outcome, SwitchOutcome::RolledBack);
    EXPECT_EQ(Snapshot(), up);
    files_.held.clear();
    EXPECT_EQ(Switch("v1.0.1").problem, "");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\base\\added.pk3").exists);
}

TEST_F(VersionSwitchTest, EveryFailureLeavesFilesAndMarkerAsTheyWere) {
    const struct {
        const char* what;
        const char* client;
        std::function<void(test::MemoryFiles&)> arrange;
        SwitchOutcome outcome;
        const char* told;
    } cases[] = {
        {"no patch folder", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.nodes.erase("c:\\tool\\patch files\\101\\base\\assets3.pk3");
             f.nodes.erase("c:\\tool\\patch files\\101\\base");
         },
         SwitchOutcome::NotStarted, "\"C:\\Tool\\Patch Files\\101\\base\" is missing"},
        {"only our note", "v1.0.1",
         [](test::MemoryFiles& f) {
             f.nodes.erase("c:\\tool\\patch files\\100\\jamp.exe");
             f.nodes.erase("c:\\tool\\patch files\\100\\ui\\menu.txt");
             f.File("C:\\Tool\\Patch Files\\100\\README-100.txt", "note");
         },
         SwitchOutcome::NotStarted, "holds none of the game's files"},
        {"a 1.0.1 file that 1.0.0 does not replace", "v1.0.1",
         [](test::MemoryFiles& f) { f.nodes.erase("c:\\tool\\patch files\\100\\ui\\menu.txt"); },
         SwitchOutcome::NotStarted, "lacks 1 file(s) that the 1.0.1 files replace: ui\\menu.txt."},
        {"no room", "v1.0.0", // 1 MB and a byte to copy, 1 MB spare: 3 MB needed
         [](test::MemoryFiles& f) {
             f.File("C:\\Tool\\Patch Files\\101\\big.pk3", std::string((1 << 20) - 27, 'b'));
             f.freeBytes = (1 << 20) - 1;
         },
         SwitchOutcome::NotStarted, "needs 3 MB in \"C:\\JA\\GameData\", and 0 MB are free"},
        {"no journal", "v1.0.0", [](test::MemoryFiles& f) { f.writeFails = true; },
         SwitchOutcome::NotStarted, "cannot write its journal"},
        {"another Quorin switching", "v1.0.0",
         [](test::MemoryFiles& f) { f.locked.insert("c:\\ja\\gamedata"); },
         SwitchOutcome::NotStarted, "Another Quorin is switching"},
        {"a link on the way", "v1.0.0",
         [](test::MemoryFiles& f) { f.Link("C:\\JA\\GameData\\ui", "C:\\Victim"); },
         SwitchOutcome::NotStarted, "\"C:\\JA\\GameData\\ui\" is a link"},
        {"Quorin's folder a link", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.File("C:\\Victim\\0", "victim's");
             f.Link(kFolder, "C:\\Victim");
         },
         SwitchOutcome::NotStarted, "is not a folder Quorin made"},
        {"a link in the patch folder", "v1.0.0",
         [](test::MemoryFiles& f) { f.Link("C:\\Tool\\Patch Files\\101\\maps", "C:\\Victim"); },
         SwitchOutcome::NotStarted, "Quorin copies no links"},
        {"an earlier journal held by another program", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.File(kJournal, FormatJournal({0u, {}, {}, {"jamp.exe"}}));
             f.held.insert(FoldCase(kJournal));
         },
         SwitchOutcome::NotStarted, "its journal cannot be read"},
        {"held in the first copy", "v1.0.0",
         [](test::MemoryFiles& f) { f.held.insert("c:\\ja\\gamedata\\jamp.exe"); },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\jamp.exe\" is in use"},
        {"a full drive", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.copyFails["c:\\ja\\gamedata\\ui\\menu.txt"] = kFileDiskFull;
         },
         SwitchOutcome::RolledBack, "The drive is full: \"C:\\JA\\GameData\\ui\\menu.txt\""},
        {"a copy failing between two renames", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.File("C:\\Tool\\Patch Files\\101\\extra.dll", "new");
             f.File("C:\\JA\\GameData\\extra.dll", "old");
             f.copyFails["c:\\ja\\gamedata\\ui\\menu.txt"] = kFileDiskFull;
             f.movesBeforeCopyFails = 1;
         },
         SwitchOutcome::RolledBack, "The drive is full: \"C:\\JA\\GameData\\ui\\menu.txt\""},
        {"a patch file that cannot be read", "v1.0.0",
         [](test::MemoryFiles& f) { f.held.insert("c:\\tool\\patch files\\101\\ui\\menu.txt"); },
         SwitchOutcome::NotStarted, "\"C:\\Tool\\Patch Files\\101\\ui\\menu.txt\" is in use"},
        {"the store's folder a link", "v1.0.1",
         [](test::MemoryFiles& f) {
             f.Rename("C:\\Tool\\Patch Files\\100", "C:\\Elsewhere");
             f.Link("C:\\Tool\\Patch Files\\100", "C:\\Elsewhere");
         },
         SwitchOutcome::NotStarted, "\"C:\\Tool\\Patch Files\\100\" is a link"},
        {"down, after assets3.pk3 went aside", "v1.0.1",
         [](test::MemoryFiles& f) {
             f.File("C:\\JA\\GameData\\base\\assets3.pk3", "assets 101");
             f.copyFails["c:\\ja\\gamedata\\jamp.exe"] = kFileDiskFull;
         },
         SwitchOutcome::RolledBack, "The drive is full: \"C:\\JA\\GameData\\jamp.exe\""},
        {"a new folder the copy did not make", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.Folder("C:\\Tool\\Patch Files\\101\\maps");
             f.held.insert("c:\\ja\\gamedata\\maps");
         },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\maps\" is in use"},
        {"a file system just over 2 s off", "v1.0.0",
         [](test::MemoryFiles& f) { f.copyTimeShift = 20'000'001; }, SwitchOutcome::RolledBack,
         "did not arrive whole"},
        // Last: the key stays read-only.
        {"the marker refused", "v1.0.0",
         [this](test::MemoryFiles&) { registry_.MakeReadOnly(kGameVersionKey); },
         SwitchOutcome::MarkerRefused, ""},
    };
    for (const auto& c : cases) {
        Reset();
        c.arrange(files_);
        const auto before = Snapshot();
        const SwitchResult result = Switch(c.client);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_NE(result.problem.find(c.told), std::string::npos)
            << c.what << ": " << result.problem;
        EXPECT_EQ(Snapshot(), before) << c.what;
    }
}

// The store is read once: files added to it or changed while the switch runs
// never reach the game.
TEST_F(VersionSwitchTest, AtTheEdgesAndPastAnEarlierSwitchsLeftoversItStillSwitches) {
    files_.copyTimeShift = 20'000'000; // FAT32 keeps 2 s steps
    files_.freeBytes = (1 << 20) + 28; // the patch's 28 bytes and the 1 MB kept spare
    // A finished switch's leftovers, beside a file of the player's that stays.
    files_.File("C:\\JA\\GameData\\Quorin switch\\0", "old client");
    files_.File("C:\\JA\\GameData\\Quorin switch\\notes.txt", "the player's");
    EXPECT_EQ(Switch("v1.0.0").problem, "");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\Quorin switch\\notes.txt"), "the player's");
    files_.File("C:\\Tool\\Patch Files\\100\\jamp.exe", ""); // nothing to copy: done at once
    files_.File("C:\\Tool\\Patch Files\\100\\ui\\menu.txt", "");
    // A journal of a switch that ended before it touched anything: undone, then on.
    files_.File(kJournal, FormatJournal({0u, {}, {}, {}}));
    EXPECT_EQ(Switch("v1.0.1").problem, "");
    EXPECT_EQ(progress_, (std::vector<int>{0, 100, 100}));
    EXPECT_TRUE(files_.FileExists("C:\\JA\\GameData\\jamp.exe"));
}

TEST_F(VersionSwitchTest, WhatTheNextStartFindsOfASwitchCutShort) {
    const struct {
        const char* what;
        std::function<void(test::MemoryFiles&)> arrange; // on the cut-short switch
        Leftover leftover;
        const char* told; // and everything is back when rolled back, untouched otherwise
    } cases[] = {
        {"nothing else", [](test::MemoryFiles&) {}, Leftover::RolledBack,
         "put back as it was before: 2 file(s) restored, 1 removed."},
        {"the first Quorin still switching",
         [](test::MemoryFiles& f) { f.locked.insert("c:\\ja\\gamedata"); }, Leftover::Busy,
         "Another Quorin is switching"},
        {"the journal held open", [](test::MemoryFiles& f) { f.held.insert(FoldCase(kJournal)); },
         Leftover::Unreadable, "its journal cannot be read"},
        {"the journal damaged",
         [](test::MemoryFiles& f) {
             f.File(kJournal, "Quorin switch journal 2\nmarker 42949672960\nend\n");
         },
         Leftover::Unreadable, "cannot be understood"},
        {"an original gone from Quorin's folder",
         [](test::MemoryFiles& f) { f.nodes.erase("c:\\ja\\gamedata\\quorin switch\\0"); },
         Leftover::RollbackFailed, "\"C:\\JA\\GameData\\base\\assets3.pk3\" is missing"},
        {"a link put where a new file was",
         [](test::MemoryFiles& f) {
             f.nodes.erase("c:\\ja\\gamedata\\ui\\menu.txt");
             f.Link("C:\\JA\\GameData\\ui\\menu.txt", "C:\\Victim\\precious.txt");
         },
         Leftover::RollbackFailed, "\"C:\\JA\\GameData\\ui\\menu.txt\" is a link"},
    };
    for (const auto& c : cases) {
        Reset();
        files_.File("C:\\JA\\GameData\\base\\assets3.pk3", "old assets");
        const auto before = Snapshot();
        files_.duringCopy = [this] {
            files_.File("C:\\JA\\GameData\\ui\\menu.txt", "half a menu");
            throw std::runtime_error("the tool was ended");
        };
        EXPECT_THROW(Switch("v1.0.0"), std::runtime_error);
        files_.duringCopy = nullptr;
        files_.held.clear(); // the killed process's handles are gone
        c.arrange(files_);
        const auto cut = Snapshot();
        const RecoverResult found = Recover();
        EXPECT_EQ(found.leftover, c.leftover) << c.what;
        EXPECT_NE(found.message.find(c.told), std::string::npos) << c.what << ": " << found.message;
        if (c.leftover == Leftover::RolledBack) {
            EXPECT_EQ(Snapshot(), before) << c.what;
            EXPECT_EQ(Recover().leftover, Leftover::None) << c.what; // told once
        } else if (c.leftover != Leftover::RollbackFailed) {
            EXPECT_EQ(Snapshot(), cut) << c.what;
        } else {
            EXPECT_TRUE(files_.FileExists(kJournal)) << c.what;
            EXPECT_EQ(files_.Content("C:\\Victim\\precious.txt"), "precious") << c.what;
        }
    }
}

TEST_F(VersionSwitchTest, JournalsThatReachOutsideGameDataAreNeverObeyed) {
    const char* lines[] = {
        // Each kind of line once: the names table below has every form of name.
        "new C:\\Victim\\precious.txt",
        "moved ..\\..\\Victim\\precious.txt",
        "folder \\\\?\\C:\\Victim",
        "marker 4294967296",
        "marker 1 7061776e6564", // the old form: a type and its bytes
        "bogus line",
    };
    for (const char* line : lines) {
        Reset();
        files_.File("C:\\JA\\GameData\\Quorin switch\\0", "the player's original");
        files_.File(kJournal,
                    std::string("Quorin switch journal 2\nmarker 0\n") + line + "\nend\n");
        const auto before = Snapshot();
        const RecoverResult found = Recover();
        EXPECT_EQ(found.leftover, Leftover::Unreadable) << line;
        EXPECT_EQ(Snapshot(), before) << line;
        // Patch is refused as long as it is there.
        EXPECT_EQ(Switch("v1.0.0").outcome, SwitchOutcome::NotStarted) << line;
        EXPECT_EQ(Snapshot(), before) << line;
    }
    // Too long a journal is not read through.
    Reset();
    files_.File(kJournal, "Quorin switch journal 2\nmarker 0\n" + std::string(kJournalLimit, 'x') +
                              "\nend\n");
    EXPECT_EQ(Recover().leftover, Leftover::Unreadable);
}

} // namespace
} // namespace quorin
