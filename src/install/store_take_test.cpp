#include "install/store_take.h"

#include <gtest/gtest.h>

#include "tests/support/memory_store.h"

namespace quorin {
namespace {

using Contents = std::map<std::string, std::string>;

constexpr char kGame[] = "C:\\Games\\JA\\GameData";
constexpr char kStore[] = "C:\\Tool\\Patch Files";

class TakeTest : public testing::Test {
  protected:
    TakeTest() { Reset(); }
    void Reset() {
        store.nodes.clear();
        store.held.clear();
        Game("jamp.exe", "client 0");
        Game("base\\assets0.pk3", "shared");
        Game("base\\assets1.pk3", "assets1 0");
        Game("base\\jampconfig.cfg", "the player's");
        store.File(std::string(kStore) + "\\readme.txt", "the release's note");
    }
    void Game(const std::string& name, const std::string& content) {
        store.File(std::string(kGame) + "\\" + name, content);
    }
    // What the official update does to the stand-in game.
    void Update() {
        Game("jamp.exe", "client 1");
        Game("base\\assets1.pk3", "assets1 1");
        Game("base\\assets3.pk3", "assets3");
        Game("base\\added.pk3", "added");
    }
    TakeResult Take(int version) { return take.Take(version, nullptr); }
    Contents Folder(const std::string& name) { return store.Files(std::string(kStore) + name); }
    auto Beside() {
        auto nodes = store.nodes;
        std::erase_if(nodes, [](const auto& n) { return !n.first.starts_with("c:\\tool"); });
        return nodes;
    }

    test::MemoryStore store;
    StoreTake take{store, "C:\\Tool", kGame};
};

TEST_F(TakeTest, FirstTakeHoldsEveryGameFileButThePlayers) {
    ASSERT_EQ(Take(100).outcome, TakeOutcome::Taken);
    EXPECT_EQ(Folder("\\100"), (Contents{{"base\\assets0.pk3", "shared"},
                                         {"base\\assets1.pk3", "assets1 0"},
                                         {"jamp.exe", "client 0"}}));
}

TEST_F(TakeTest, TakeUpdateTakeKeepsOnlyWhatDiffers) {
    ASSERT_EQ(Take(100).outcome, TakeOutcome::Taken);
    Update();
    const auto game = store.Files(kGame);
    const TakeResult second = Take(101);
    ASSERT_EQ(second.outcome, TakeOutcome::Taken) << second.told;
    EXPECT_EQ(Folder("\\100"),
              (Contents{{"base\\assets1.pk3", "assets1 0"}, {"jamp.exe", "client 0"}}));
    EXPECT_EQ(Folder("\\101"), (Contents{{"base\\added.pk3", "added"},
                                         {"base\\assets1.pk3", "assets1 1"},
                                         {"base\\assets3.pk3", "assets3"},
                                         {"jamp.exe", "client 1"}}));
    EXPECT_EQ(store.Files(kGame), game);
    EXPECT_EQ(store.Files(kStore)["readme.txt"], "the release's note");
    const StoreReport report = InspectStore(store, "C:\\Tool");
    EXPECT_EQ(report.record->only101, std::vector<std::string>{"base\\added.pk3"});
    EXPECT_TRUE(report.v100.complete && report.v101.complete && report.Usable());
}

struct Stop {
    const char* what;
    const char* op;  // where it stops
    int count;       // at which of them
    bool kill;       // else cancelled
    bool newInPlace; // afterwards the new store is in place, else the old one
};

class TakeStopped : public TakeTest, public testing::WithParamInterface<Stop> {};

TEST_P(TakeStopped, LeavesTheStoreAsBeforeOrWhole) {
    ASSERT_EQ(Take(100).outcome, TakeOutcome::Taken);
    Update();
    const auto before = Beside();
    int seen = 0;
    bool cancel = false;
    store.before = [&](const std::string& op, const std::string&) {
        if (op == GetParam().op && ++seen == GetParam().count) {
            if (GetParam().kill)
                throw test::Killed{};
            cancel = true;
        }
    };
    try {
        const TakeResult result = take.Take(101, [&](const TakeProgress&) { return !cancel; });
        EXPECT_EQ(result.outcome, TakeOutcome::Cancelled);
    } catch (const test::Killed&) {
        store.before = nullptr;
        StoreTake again{store, "C:\\Tool", kGame};
        EXPECT_EQ(again.Recover(), "");
    }
    if (GetParam().newInPlace)
        EXPECT_EQ(Folder("\\101").size(), 4u);
    else
        EXPECT_EQ(Beside(), before);
}

const Stop kStops[] = {
    {"CancelledAtTheSecondCopy", "copy", 2, false, false},
    {"KilledAtTheThirdCopy", "copy", 3, true, false},
    {"KilledBeforeTheOldStoreGoesAside", "rename", 1, true, false},
    {"KilledBetweenTheRenames", "rename", 2, true, true},
};
INSTANTIATE_TEST_SUITE_P(Store, TakeStopped, testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(TakeTest, RefusesWhatItCannotTakeWhole) {
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"held", [&] { store.held.insert(FoldCase(std::string(kGame) + "\\jamp.exe")); }},
        {"switching", [&] { store.Folder(std::string(kGame) + "\\Quorin switch"); }},
        {"twins",
         [&] {
             store.twins.push_back({kGame, {"JAMP.exe", {true}}});
         }},
        {"damaged record",
         [&] { store.File(std::string(kStore) + "\\Quorin store.txt", "Quorin patch store 1\n"); }},
        {"linked store", [&] { store.nodes[FoldCase(kStore)].state.link = true; }},
    };
    for (const auto& [what, arrange] : cases) {
        Reset();
        arrange();
        const auto before = Beside();
        EXPECT_EQ(Take(100).outcome, TakeOutcome::NotStarted) << what;
        EXPECT_EQ(Beside(), before) << what;
    }
}

TEST(InstalledVersion, TheClientDecidesAndADisagreementIsTold) {
    struct Case {
        std::optional<std::uint32_t> marker;
        std::optional<std::string> client;
        std::optional<int> version;
        bool told;
    };
    for (const Case& c : std::vector<Case>{{0, std::nullopt, 100, false},
                                           {599925, "1.0.1.0", 101, false},
                                           {std::nullopt, "1.0.0.0", 100, false},
                                           {0, "1.0.1.0", 101, true},
                                           {std::nullopt, "2.0.0.0", std::nullopt, true}}) {
        std::string told;
        EXPECT_EQ(InstalledVersion(c.marker, c.client, told), c.version);
        EXPECT_EQ(!told.empty(), c.told);
    }
}

} // namespace
} // namespace quorin
