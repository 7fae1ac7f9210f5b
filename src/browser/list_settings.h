// What the list of servers keeps between starts: favourites, the servers
// joined lately, the masters, the sort, the filters, the columns' widths and
// the window's place. Each is one text value of a store (the registry under
// HKEY_CURRENT_USER\Software\Quorin), read as untrusted input: a value that
// is damaged gives its default and a word for the player, and is left as it
// is in the store rather than written back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browser/server_list.h"

namespace quorin {

// One value as the store holds it.
struct StoredValue {
    bool text = false; // a text value; anything else is the wrong type
    std::string data;  // the text, when it is text and not oversized
    bool oversized = false;
};

// The store: the registry in Quorin, a map in the tests.
class ISettingsStore {
  public:
    virtual ~ISettingsStore() = default;
    // Nothing when the value is not there.
    virtual std::optional<StoredValue> Read(const std::string& name) = 0;
    virtual bool Write(const std::string& name, const std::string& text) = 0;
};

inline constexpr std::size_t kMaxFavourites = 500;
inline constexpr std::size_t kMaxRecent = 20;
// The longest value read: a list of 500 addresses fits many times over.
inline constexpr std::size_t kMaxStoredText = 32768;

struct RecentServer {
    ServerAddress address;
    std::int64_t joinedAt = 0; // seconds since 1970, UTC
    bool operator==(const RecentServer&) const = default;
};

// The window's place and size on the screen, in pixels.
struct WindowPlace {
    int left = 0, top = 0, width = 0, height = 0;
    bool maximized = false;
    bool operator==(const WindowPlace&) const = default;
};

struct ListSettings {
    std::vector<ServerAddress> favourites;
    std::vector<RecentServer> recent; // newest first
    std::optional<std::string> masters;
    Column column = Column::Ping;
    bool descending = false;
    ListFilter filter; // its text is not kept
    // In pixels at 96 dots an inch; nothing for the design's widths.
    std::optional<std::array<int, kColumnCount>> widths;
    std::optional<WindowPlace> place;
};

// The names of the values, as they appear in the registry.
inline constexpr const char* kFavouritesValue = "Favourites";
inline constexpr const char* kRecentValue = "Recent";
inline constexpr const char* kMastersValue = "Masters";
inline constexpr const char* kSortValue = "Sort";
inline constexpr const char* kFiltersValue = "Filters";
inline constexpr const char* kColumnsValue = "Columns";
inline constexpr const char* kWindowValue = "Window";

struct LoadedSettings {
    ListSettings settings;
    // One sentence for each damaged value, for the status bar.
    std::vector<std::string> problems;
    // The names of the damaged values, never written this run.
    std::vector<std::string> damaged;
};

LoadedSettings LoadSettings(ISettingsStore& store);

// The text of each value, as written and as read.
std::string FavouritesText(const std::vector<ServerAddress>& favourites);
std::string RecentText(const std::vector<RecentServer>& recent);
std::string SortText(Column column, bool descending);
std::string FiltersText(const ListFilter& filter);
std::string ColumnsText(const std::array<int, kColumnCount>& widths);
std::string PlaceText(const WindowPlace& place);

// `server` first among the recent ones, at `now`; the oldest beyond 20 go.
void NoteJoined(std::vector<RecentServer>& recent, ServerAddress server, std::int64_t now);
// Adds `server` when it is not there (and the list is not full), else
// removes it; true when it is a favourite afterwards.
bool ToggleFavourite(std::vector<ServerAddress>& favourites, ServerAddress server);
// The store's recent servers with `server` first, written back unless the
// stored value is damaged; true when it was written.
bool RecordJoined(ISettingsStore& store, ServerAddress server, std::int64_t now);
// Adds `server` to the store's favourites; what came of it, in a sentence.
std::string AddFavourite(ISettingsStore& store, ServerAddress server);

} // namespace quorin
