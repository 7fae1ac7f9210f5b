// The switch as a transaction over an in-memory game folder: every failure
// leaves files and marker exactly as they were, and a switch cut short is
// rolled back at the next start.
#include <gtest/gtest.h>

#include "console/version_switch.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"

namespace quorin {
namespace {

class VersionSwitchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry_.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz,
                         ToRegistryData(std::string("C:\\JA")).bytes);
        ASSERT_TRUE(install_.LoadInstallInfo());
        files_.File("C:\\Tool\\Patch Files\\100\\jamp.exe", "client 100");
        files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
        files_.File("C:\\Tool\\Patch Files\\101\\ui\\menu.txt", "menu 101");
        files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
        files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
        files_.File("C:\\JA\\GameData\\base\\assets0.pk3", "assets 0");
    }
    SwitchResult Switch(const char* client) {
        return VersionSwitch(files_, install_)
            .Run(PlanSwitch(client, "C:\\Tool", "C:\\JA"),
                 [this](int p) { progress_.push_back(p); });
    }
    // The game folder and the marker, to compare before and after.
    auto Snapshot() {
        std::map<std::string, test::MemoryFiles::Node> game;
        for (const auto& [key, node] : files_.nodes)
            if (key.starts_with("c:\\ja\\"))
                game[key] = node;
        return std::pair{game, registry_.GetRaw(kGameVersionKey, kMagicValue)};
    }

    test::MemoryRegistry registry_;
    InstallRecord install_{registry_};
    test::MemoryFiles files_;
    std::vector<int> progress_;
};

TEST_F(VersionSwitchTest, UpWritesEachFileOnceAndDownRemovesTheNewAssets) {
    EXPECT_EQ(Switch("v1.0.0").outcome, SwitchOutcome::Switched);
    EXPECT_EQ(install_.ReadMagic(), "599925");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 101");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\ui\\menu.txt"), "menu 101");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\Base\\assets3.pk3"), "assets 101");
    // The first copy takes "base" along, so the second is not made again.
    EXPECT_EQ(files_.copies,
              (std::vector<CopyStep>{{"C:\\Tool\\Patch Files\\101\\*.*", "C:\\JA\\GameData\\"}}));
    EXPECT_EQ(progress_, (std::vector<int>{0, 100})); // each step told once
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\Quorin switch").exists);

    EXPECT_EQ(Switch("v1.0.1").outcome, SwitchOutcome::Switched);
    EXPECT_EQ(install_.ReadMagic(), "0");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\base\\assets3.pk3").exists);
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 100");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\base\\assets0.pk3"), "assets 0");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\Quorin switch").exists);
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
             f.nodes.erase("c:\\tool\\patch files\\101\\base\\assets3.pk3"),
                 f.nodes.erase("c:\\tool\\patch files\\101\\base");
         },
         SwitchOutcome::NotStarted, "\"C:\\Tool\\Patch Files\\101\\base\" is missing"},
        {"only our note", "v1.0.1",
         [](test::MemoryFiles& f) {
             f.nodes.erase("c:\\tool\\patch files\\100\\jamp.exe");
             f.File("C:\\Tool\\Patch Files\\100\\README-100.txt", "note");
         },
         SwitchOutcome::NotStarted, "holds none of the game's files"},
        {"no room", "v1.0.0", // 1 MB and a byte to copy, 1 MB spare: 3 MB needed
         [](test::MemoryFiles& f) {
             f.File("C:\\Tool\\Patch Files\\101\\big.pk3", std::string((1 << 20) - 27, 'b'));
             f.freeBytes = (1 << 20) - 1;
         },
         SwitchOutcome::NotStarted, "needs 3 MB in \"C:\\JA\\GameData\", and 0 MB are free"},
        {"no journal", "v1.0.0", [](test::MemoryFiles& f) { f.writeFails = true; },
         SwitchOutcome::NotStarted, "cannot write its journal"},
        {"read-only", "v1.0.0",
         [](test::MemoryFiles& f) { f.nodes["c:\\ja\\gamedata\\jamp.exe"].state.readOnly = true; },
         SwitchOutcome::NotStarted, "\"C:\\JA\\GameData\\jamp.exe\" is read-only"},
        {"held in the first copy", "v1.0.0",
         [](test::MemoryFiles& f) { f.held.insert("c:\\ja\\gamedata\\jamp.exe"); },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\jamp.exe\" is in use"},
        {"a patch file that cannot be read", "v1.0.0",
         [](test::MemoryFiles& f) { f.held.insert("c:\\tool\\patch files\\101\\ui\\menu.txt"); },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\ui\\menu.txt\" did not arrive whole"},
        {"down, after assets3.pk3 went aside", "v1.0.1",
         [](test::MemoryFiles& f) {
             f.File("C:\\JA\\GameData\\base\\assets3.pk3", "assets 101");
             f.held.insert("c:\\tool\\patch files\\100\\jamp.exe");
         },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\jamp.exe\" did not arrive whole"},
        {"a new folder the copy did not make", "v1.0.0",
         [](test::MemoryFiles& f) {
             f.Folder("C:\\Tool\\Patch Files\\101\\maps");
             f.held.insert("c:\\ja\\gamedata\\maps");
         },
         SwitchOutcome::RolledBack, "\"C:\\JA\\GameData\\maps\" did not arrive whole"},
        {"a file system just over 2 s off", "v1.0.0",
         [](test::MemoryFiles& f) { f.copyTimeShift = 20'000'001; }, SwitchOutcome::RolledBack,
         "did not arrive whole"},
        // Last: the key stays read-only.
        {"the marker refused", "v1.0.0",
         [this](test::MemoryFiles&) { registry_.MakeReadOnly(kGameVersionKey); },
         SwitchOutcome::MarkerRefused, ""},
    };
    for (const auto& c : cases) {
        files_ = {};
        SetUp();
        c.arrange(files_);
        const auto before = Snapshot();
        const SwitchResult result = Switch(c.client);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_NE(result.problem.find(c.told), std::string::npos)
            << c.what << ": " << result.problem;
        EXPECT_EQ(Snapshot(), before) << c.what;
    }
}

TEST_F(VersionSwitchTest, AtTheEdgesAndPastAnEarlierSwitchsLeftoversItStillSwitches) {
    files_.copyTimeShift = 20'000'000; // FAT32 keeps 2 s steps
    files_.freeBytes = (1 << 20) + 28; // the patch's 28 bytes and the 1 MB kept spare
    // A finished switch's folder that could not be cleared away.
    files_.File("C:\\JA\\GameData\\Quorin switch\\0", "old client");
    EXPECT_EQ(Switch("v1.0.0").outcome, SwitchOutcome::Switched);
    files_.File("C:\\Tool\\Patch Files\\100\\jamp.exe", ""); // nothing to copy: done at once
    // A journal of a switch that ended before it touched anything: undone, then on.
    files_.File("C:\\JA\\GameData\\Quorin switch\\journal.txt",
                FormatJournal({RegistryData{kRegDword, {0, 0, 0, 0}}, {}, {}, {}}));
    EXPECT_EQ(Switch("v1.0.1").outcome, SwitchOutcome::Switched);
    EXPECT_EQ(progress_, (std::vector<int>{0, 100, 100}));
    EXPECT_TRUE(files_.FileExists("C:\\JA\\GameData\\jamp.exe"));
}

TEST_F(VersionSwitchTest, ARefusedRestoreIsSaidAndTheJournalKept) {
    // The copy fails, and jamp.exe, put aside, cannot be given its place back.
    files_.held = {"c:\\tool\\patch files\\101\\ui\\menu.txt",
                   "c:\\ja\\gamedata\\quorin switch\\0"};
    SwitchResult result = Switch("v1.0.0");
    EXPECT_EQ(result.outcome, SwitchOutcome::RollbackFailed);
    EXPECT_NE(result.problem.find("put everything back: \"C:\\JA\\GameData\\jamp.exe\" is in use"),
              std::string::npos)
        << result.problem;
    EXPECT_TRUE(files_.Stat("C:\\JA\\GameData\\Quorin switch\\journal.txt").exists);

    // The marker is written; then the key refuses the write that would put it back.
    files_ = {};
    SetUp();
    files_.held.insert("c:\\tool\\patch files\\101\\ui\\menu.txt");
    files_.duringCopy = [this] { registry_.MakeReadOnly(kGameVersionKey); };
    result = Switch("v1.0.0");
    EXPECT_EQ(result.outcome, SwitchOutcome::RollbackFailed);
    EXPECT_NE(result.problem.find("could not put back the version marker"), std::string::npos);
    EXPECT_EQ(install_.ReadMagic(), "599925");
    EXPECT_EQ(files_.Content("C:\\JA\\GameData\\jamp.exe"), "client 100"); // the files are back
    EXPECT_TRUE(files_.Stat("C:\\JA\\GameData\\Quorin switch\\journal.txt").exists);
}

TEST_F(VersionSwitchTest, ASwitchCutShortIsRolledBackAtTheNextStart) {
    files_.File("C:\\JA\\GameData\\base\\assets3.pk3", "old assets");
    const auto before = Snapshot();
    files_.duringCopy = [] { throw std::runtime_error("the tool was ended"); };
    EXPECT_THROW(Switch("v1.0.0"), std::runtime_error);
    EXPECT_EQ(install_.ReadMagic(), "599925");
    EXPECT_FALSE(files_.Stat("C:\\JA\\GameData\\jamp.exe").exists); // moved aside

    files_.duringCopy = nullptr;
    const std::string told = VersionSwitch(files_, install_).Recover().value_or("(none)");
    EXPECT_NE(told.find("put back as it was before: 2 file(s) restored"), std::string::npos)
        << told;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(VersionSwitch(files_, install_).Recover()); // told once
}

TEST(SwitchJournal, ReadsBackWhatItWroteAndRejectsAnUnfinishedOne) {
    const SwitchJournal journal{RegistryData{kRegDword, {0x75, 0x27, 0x09, 0x00}},
                                {"C:\\JA\\GameData\\ui"},
                                {"C:\\JA\\GameData\\ui\\menu.txt"},
                                {"C:\\JA\\GameData\\jamp.exe", "C:\\JA\\GameData\\my file.txt"}};
    const std::string text = FormatJournal(journal);
    const auto back = ParseJournal(text);
    ASSERT_TRUE(back && back->marker);
    EXPECT_EQ(back->marker->type, kRegDword);
    EXPECT_EQ(FormatJournal(*back), text);                       // every list read back in full
    EXPECT_FALSE(ParseJournal(text.substr(0, text.size() - 4))); // no end line
    EXPECT_FALSE(ParseJournal("Quorin switch journal\nmarker 4 7\nend\n"));
    EXPECT_FALSE(ParseJournal("Quorin switch journal\nend\n")); // no marker line
    EXPECT_FALSE(ParseJournal("Another journal\nmarker none\nend\n"));
    EXPECT_FALSE(ParseJournal("Quorin switch journal\nmarker none\nbogus x\nend\n"));
    const auto none = ParseJournal("Quorin switch journal\nmarker none\nend\n");
    EXPECT_TRUE(none && !none->marker);
}

} // namespace
} // namespace quorin
