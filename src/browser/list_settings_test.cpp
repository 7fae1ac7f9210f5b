#include "browser/list_settings.h"

#include <gtest/gtest.h>

#include "tests/support/memory_settings_store.h"

namespace quorin {
namespace {

using MemoryStore = test::MemorySettingsStore;

std::string Many(const char* word, int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += std::string(word) + " ";
    return text;
}

std::string Favourites(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1) + ":29070 ";
    return text;
}

TEST(ListSettings, EachDamagedValueGivesItsDefaultAndAWord) {
    const struct {
        const char* name;
        StoredValue value;
    } cases[] = {
        {kFavouritesValue, {false, ""}},                             // wrong type
        {kFavouritesValue, {true, "", true}},                        // too long for the store
        {kFavouritesValue, {true, std::string(40000, '1')}},         // too long for Quorin
        {kFavouritesValue, {true, "10.0.0.1:29070 server.example"}}, // a name, not an address
        {kFavouritesValue, {true, "224.0.0.1:29070"}},               // no game server there
        {kFavouritesValue, {true, "10.0.0.1:0"}},
        {kFavouritesValue, {true, "10.0.0.1"}}, // no port
        {kFavouritesValue, {true, "10.0.0.1:70000"}},
        {kFavouritesValue, {true, Favourites(kMaxFavourites + 1)}},
        {kRecentValue, {true, "10.0.0.1:29070"}}, // no time
        {kRecentValue, {true, "10.0.0.1:29070@-5"}},
        {kRecentValue, {true, "10.0.0.1@5"}},
        {kMastersValue, {false, ""}},
        {kRecentValue, {true, Many("10.0.0.1:29070@5", 21)}},
        {kSortValue, {true, "Colour"}},
        {kSortValue, {true, "Ping upwards"}},
        {kSortValue, {true, ""}},
        {kSortValue, {true, "Ping Descending x"}},
        {kFiltersValue, {true, "HideEmpty HideNothing"}},
        {kFiltersValue, {true, "Version=Newest"}},
        {kFiltersValue, {true, "Version=All"}}, // a word of Show
        {kColumnsValue, {true, "100 100 100"}},
        {kColumnsValue, {true, "100 100 100 100 100 100 100 4001"}},
        {kColumnsValue, {true, "100 100 100 100 100 100 100 -1"}},
        {kWindowValue, {true, "10 10 5 5"}},
    };
    const ListSettings defaults;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.value.data.substr(0, 60));
        MemoryStore store;
        store.values[c.name] = c.value;
        const LoadedSettings loaded = LoadSettings(store);
        ASSERT_EQ(loaded.problems.size(), 1u);
        EXPECT_NE(loaded.problems[0].find(std::string("(\"") + c.name + "\") could not be read"),
                  std::string::npos);
        EXPECT_EQ(loaded.damaged, std::vector<std::string>{c.name});
        const ListSettings& s = loaded.settings;
        EXPECT_TRUE(s.favourites.empty());
        EXPECT_TRUE(s.recent.empty());
        EXPECT_FALSE(s.widths);
        EXPECT_FALSE(s.place);
        EXPECT_EQ(SortText(s.column, s.descending), SortText(defaults.column, false));
        EXPECT_EQ(FiltersText(s.filter), FiltersText(defaults.filter));
    }
}

TEST(ListSettings, WhatIsWrittenReadsBackTheSame) {
    MemoryStore store;
    ListSettings s;
    s.favourites = {{0x0A000001, 29070}, {0x7F000001, 29071}};
    NoteJoined(s.recent, {0x0A000002, 29070}, 0);
    NoteJoined(s.recent, {0x0A000003, 29070}, 200);
    ListFilter filter;
    filter.version = VersionFilter::Other;
    filter.show = ShowFilter::Favourites;
    filter.hideFull = filter.hideBotsOnly = true;
    const std::array<int, kColumnCount> widths{220, 80, 100, 80, 70, 60, 0, 4000};
    const std::string favourites = FavouritesText(s.favourites); // as long as may be
    store.Write(kFavouritesValue,
                favourites + std::string(kMaxStoredText - favourites.size(), ' '));
    store.Write(kMastersValue, std::string(kMaxStoredText, 'm'));
    store.Write(kRecentValue, RecentText(s.recent));
    store.Write(kSortValue, SortText(Column::Name, true));
    store.Write(kFiltersValue, FiltersText(filter));
    store.Write(kColumnsValue, ColumnsText(widths));
    store.Write(kWindowValue, PlaceText({-8, 20, 900, 640, true}));
    const LoadedSettings loaded = LoadSettings(store);
    EXPECT_TRUE(loaded.problems.empty());
    EXPECT_EQ(loaded.settings.favourites, s.favourites);
    EXPECT_EQ(loaded.settings.recent,
              (std::vector<RecentServer>{{{0x0A000003, 29070}, 200}, {{0x0A000002, 29070}, 0}}));
    EXPECT_EQ(loaded.settings.masters, std::string(kMaxStoredText, 'm'));
    EXPECT_EQ(loaded.settings.column, Column::Name);
    EXPECT_TRUE(loaded.settings.descending);
    EXPECT_EQ(FiltersText(loaded.settings.filter), FiltersText(filter));
    EXPECT_EQ(loaded.settings.widths, widths);
    EXPECT_EQ(loaded.settings.place, (WindowPlace{-8, 20, 900, 640, true}));
}

TEST(ListSettings, AWindowPlaceIsReadWithinItsBounds) {
    const std::pair<const char*, std::optional<WindowPlace>> cases[] = {
        {"-32000 32000 200 150", WindowPlace{-32000, 32000, 200, 150, false}},
        {"0 0 800 600 maximized", WindowPlace{0, 0, 800, 600, true}},
        {"-32001 0 800 600", std::nullopt},
        {"0 32001 800 600", std::nullopt},
        {"0 0 199 600", std::nullopt},
        {"0 0 800 149", std::nullopt},
        {"0 0 800 600 Minimised", std::nullopt},
        {"0 0 800 600 maximized x", std::nullopt},
        {"10x 10 800 600", std::nullopt},
    };
    for (const auto& [text, place] : cases) {
        MemoryStore store;
        store.values[kWindowValue] = {true, text};
        EXPECT_EQ(LoadSettings(store).settings.place, place) << text;
    }
}

TEST(ListSettings, RecentServersNewestFirstTwentyAtMost) {
    std::vector<RecentServer> recent;
    for (std::uint16_t port = 1; port <= 25; ++port)
        NoteJoined(recent, {0x0A000001, port}, port);
    NoteJoined(recent, {0x0A000001, 10}, 99); // joined again: first, once
    ASSERT_EQ(recent.size(), kMaxRecent);
    EXPECT_EQ(recent[0], (RecentServer{{0x0A000001, 10}, 99}));
    EXPECT_EQ(recent[1].address.port, 25);
    EXPECT_EQ(recent.back().address.port, 6); // 10 moved up: none more went
}

TEST(ListSettings, AJoinIsRecordedUnlessTheStoredValueIsDamaged) {
    MemoryStore store;
    EXPECT_TRUE(RecordJoined(store, {0x0A000001, 29070}, 7));
    EXPECT_EQ(store.values[kRecentValue].data, "10.0.0.1:29070@7");
    store.values[kRecentValue] = {true, "garbage"};
    EXPECT_FALSE(RecordJoined(store, {0x0A000001, 29070}, 8));
    EXPECT_EQ(store.values[kRecentValue].data, "garbage");
}

TEST(ListSettings, AFavouriteByAddressSaysWhatCameOfIt) {
    MemoryStore store;
    const ServerAddress server{0x0A000001, 29070};
    const struct {
        std::string stored;
        ServerAddress added;
        std::string said, kept;
    } cases[] = {
        {"", server, "10.0.0.1:29070 is one of the favourites now.", "10.0.0.1:29070"},
        {"10.0.0.1:29070", server, "10.0.0.1:29070 is one of the favourites already.",
         "10.0.0.1:29070"},
        {"bad", server, "10.0.0.1:29070 was not added: the stored favourites", "bad"},
        {Favourites(kMaxFavourites), server, "10.0.0.1:29070 was not added: there are 500",
         Favourites(kMaxFavourites)},
        {"", {0, 29070}, "0.0.0.0:29070 was not added: no game server", ""},
    };
    for (const auto& c : cases) {
        store.values[kFavouritesValue] = {true, c.stored};
        EXPECT_EQ(AddFavourite(store, c.added).substr(0, c.said.size()), c.said);
        EXPECT_EQ(store.values[kFavouritesValue].data, c.kept);
    }
}

TEST(ListSettings, AFavouriteTogglesAndTheListHasARoof) {
    std::vector<ServerAddress> favourites;
    EXPECT_TRUE(ToggleFavourite(favourites, {0x0A000001, 1}));
    EXPECT_FALSE(ToggleFavourite(favourites, {0x0A000001, 1}));
    EXPECT_TRUE(favourites.empty());
    for (std::uint16_t port = 1; port <= kMaxFavourites; ++port)
        ToggleFavourite(favourites, {0x0A000001, port});
    EXPECT_FALSE(ToggleFavourite(favourites, {0x0A000002, 1}));
    EXPECT_EQ(favourites.size(), kMaxFavourites);
}

} // namespace
} // namespace quorin
