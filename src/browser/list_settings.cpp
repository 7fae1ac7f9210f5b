#include "browser/list_settings.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "common/keyed_collection.h"

namespace quorin {
namespace {

constexpr const char* kColumnNames[kColumnCount] = {"Name", "Players", "Map",  "Type",
                                                    "Mod",  "Version", "Ping", "Joined"};
constexpr std::pair<const char*, bool ListFilter::*> kFlags[] = {
    {"HideEmpty", &ListFilter::hideEmpty},
    {"HideFull", &ListFilter::hideFull},
    {"HidePassworded", &ListFilter::hidePassworded},
    {"HideBotsOnly", &ListFilter::hideBotsOnly},
};
constexpr const char kLeftAsItIs[] = "; the defaults are used, and the value is left as it is.";
constexpr const char* kShowNames[] = {"All", "Favourites", "Recent"};
constexpr const char* kVersionNames[] = {"Both", "Installed", "Other"};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

template <typename T> std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

template <std::size_t N>
std::optional<std::size_t> IndexOf(const char* const (&names)[N], std::string_view word) {
    for (std::size_t i = 0; i < N; ++i)
        if (FoldCase(std::string(word)) == FoldCase(names[i]))
            return i;
    return std::nullopt;
}

// Each reader gives nothing for a value it cannot take whole.
std::optional<std::vector<ServerAddress>> ReadFavourites(const std::string& text) {
    std::vector<ServerAddress> out;
    for (const std::string& word : Words(text)) {
        const auto address = ParseAddressText(word, 0);
        if (!address || !CanBeGameServer(*address) || out.size() >= kMaxFavourites)
            return std::nullopt;
        if (std::find(out.begin(), out.end(), *address) == out.end())
            out.push_back(*address);
    }
    return out;
}

std::optional<std::vector<RecentServer>> ReadRecent(const std::string& text) {
    std::vector<RecentServer> out;
    for (const std::string& word : Words(text)) {
        const std::size_t at = word.find('@');
        if (at == std::string::npos || out.size() >= kMaxRecent)
            return std::nullopt;
        const auto address = ParseAddressText(word.substr(0, at), 0);
        const std::int64_t when = Number<std::int64_t>(word.substr(at + 1)).value_or(-1);
        if (!address || !CanBeGameServer(*address) || when < 0)
            return std::nullopt;
        out.push_back({*address, when});
    }
    return out;
}

std::optional<std::pair<Column, bool>> ReadSort(const std::string& text) {
    const auto words = Words(text);
    if (words.empty() || words.size() > 2)
        return std::nullopt;
    const auto column = IndexOf(kColumnNames, words[0]);
    if (!column || (words.size() == 2 && FoldCase(words[1]) != "descending"))
        return std::nullopt;
    return std::pair(static_cast<Column>(*column), words.size() == 2);
}

std::optional<ListFilter> ReadFilters(const std::string& text) {
    ListFilter filter;
    for (const std::string& word : Words(text)) {
        const std::size_t eq = word.find('=');
        const std::string key = word.substr(0, eq);
        if (eq != std::string::npos) {
            const std::string value = word.substr(eq + 1);
            if (FoldCase(key) == "version" && IndexOf(kVersionNames, value))
                filter.version = static_cast<VersionFilter>(*IndexOf(kVersionNames, value));
            else if (FoldCase(key) == "show" && IndexOf(kShowNames, value))
                filter.show = static_cast<ShowFilter>(*IndexOf(kShowNames, value));
            else
                return std::nullopt;
            continue;
        }
        const auto flag = std::find_if(std::begin(kFlags), std::end(kFlags), [&](const auto& f) {
            return FoldCase(f.first) == FoldCase(key);
        });
        if (flag == std::end(kFlags))
            return std::nullopt;
        filter.*(flag->second) = true;
    }
    return filter;
}

std::optional<std::array<int, kColumnCount>> ReadColumns(const std::string& text) {
    const auto words = Words(text);
    if (words.size() != kColumnCount)
        return std::nullopt;
    std::array<int, kColumnCount> widths{};
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        const auto width = Number<int>(words[i]);
        if (!width || *width < 0 || *width > 4000)
            return std::nullopt;
        widths[i] = *width;
    }
    return widths;
}

std::optional<WindowPlace> ReadPlace(const std::string& text) {
    const auto words = Words(text);
    if (words.size() != 4 && !(words.size() == 5 && FoldCase(words[4]) == "maximized"))
        return std::nullopt;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        const auto v = Number<int>(words[i]);
        if (!v || *v < -32000 || *v > 32000)
            return std::nullopt;
        n[i] = *v;
    }
    if (n[2] < 200 || n[3] < 150)
        return std::nullopt;
    return WindowPlace{n[0], n[1], n[2], n[3], words.size() == 5};
}

} // namespace

LoadedSettings LoadSettings(ISettingsStore& store) {
    LoadedSettings out;
    // The value's text, or nothing (with a word) when it is damaged.
    const auto text = [&](const char* name, const char* what) -> std::optional<std::string> {
        const auto value = store.Read(name);
        if (!value)
            return std::nullopt;
        std::string why;
        if (!value->text)
            why = "it is not text";
        else if (value->oversized || value->data.size() > kMaxStoredText)
            why = "it is longer than " + std::to_string(kMaxStoredText) + " characters";
        if (why.empty())
            return value->data;
        out.damaged.push_back(name);
        out.problems.push_back(std::string("The stored ") + what + " (\"" + name +
                               "\") could not be read: " + why + kLeftAsItIs);
        return std::nullopt;
    };
    // A value that reads as text but not as its setting.
    const auto unreadable = [&](const char* name, const char* what, const char* expected) {
        out.damaged.push_back(name);
        out.problems.push_back(std::string("The stored ") + what + " (\"" + name +
                               "\") could not be read: " + expected + kLeftAsItIs);
    };
    ListSettings& s = out.settings;
    if (const auto t = text(kFavouritesValue, "favourites")) {
        if (auto v = ReadFavourites(*t))
            s.favourites = std::move(*v);
        else
            unreadable(kFavouritesValue, "favourites",
                       ("it is not a list of at most " + std::to_string(kMaxFavourites) +
                        " server addresses")
                           .c_str());
    }
    if (const auto t = text(kRecentValue, "recent servers")) {
        if (auto v = ReadRecent(*t))
            s.recent = std::move(*v);
        else
            unreadable(kRecentValue, "recent servers",
                       "it is not a list of at most 20 address@time words");
    }
    if (const auto value = store.Read(kMastersValue)) {
        // The masters' own reading names the words it rejects.
        if (value->text && !value->oversized && value->data.size() <= kMaxStoredText) {
            s.masters = value->data;
        } else {
            s.masters = std::string();
            text(kMastersValue, "masters");
        }
    }
    if (const auto t = text(kSortValue, "sort")) {
        if (const auto v = ReadSort(*t))
            std::tie(s.column, s.descending) = *v;
        else
            unreadable(kSortValue, "sort", "it names no column");
    }
    if (const auto t = text(kFiltersValue, "filters")) {
        if (const auto v = ReadFilters(*t))
            s.filter = *v;
        else
            unreadable(kFiltersValue, "filters", "it holds a word that is no filter");
    }
    if (const auto t = text(kColumnsValue, "column widths")) {
        if (const auto v = ReadColumns(*t))
            s.widths = *v;
        else
            unreadable(
                kColumnsValue, "column widths",
                ("it is not " + std::to_string(kColumnCount) + " widths of 0 to 4000").c_str());
    }
    if (const auto t = text(kWindowValue, "window place")) {
        if (const auto v = ReadPlace(*t))
            s.place = *v;
        else
            unreadable(kWindowValue, "window place", "it is not a place on a screen");
    }
    return out;
}

std::string FavouritesText(const std::vector<ServerAddress>& favourites) {
    std::string text;
    for (const ServerAddress& a : favourites)
        text += (text.empty() ? "" : " ") + AddressText(a);
    return text;
}

std::string RecentText(const std::vector<RecentServer>& recent) {
    std::string text;
    for (const RecentServer& r : recent)
        text +=
            (text.empty() ? "" : " ") + AddressText(r.address) + "@" + std::to_string(r.joinedAt);
    return text;
}

std::string SortText(Column column, bool descending) {
    return std::string(kColumnNames[static_cast<int>(column)]) + (descending ? " Descending" : "");
}

std::string FiltersText(const ListFilter& filter) {
    std::string text = std::string("Version=") + kVersionNames[static_cast<int>(filter.version)] +
                       " Show=" + kShowNames[static_cast<int>(filter.show)];
    for (const auto& [name, member] : kFlags)
        if (filter.*member)
            text += std::string(" ") + name;
    return text;
}

std::string ColumnsText(const std::array<int, kColumnCount>& widths) {
    std::string text;
    for (const int w : widths)
        text += (text.empty() ? "" : " ") + std::to_string(w);
    return text;
}

std::string PlaceText(const WindowPlace& p) {
    return std::to_string(p.left) + " " + std::to_string(p.top) + " " + std::to_string(p.width) +
           " " + std::to_string(p.height) + (p.maximized ? " Maximized" : "");
}

void NoteJoined(std::vector<RecentServer>& recent, ServerAddress server, std::int64_t now) {
    std::erase_if(recent, [&](const RecentServer& r) { return r.address == server; });
    recent.insert(recent.begin(), {server, now});
    if (recent.size() > kMaxRecent)
        recent.resize(kMaxRecent);
}

bool ToggleFavourite(std::vector<ServerAddress>& favourites, ServerAddress server) {
    if (std::erase(favourites, server) > 0)
        return false;
    if (favourites.size() >= kMaxFavourites)
        return false;
    favourites.push_back(server);
    return true;
}

} // namespace quorin

namespace quorin {

bool RecordJoined(ISettingsStore& store, ServerAddress server, std::int64_t now) {
    LoadedSettings loaded = LoadSettings(store);
    if (std::find(loaded.damaged.begin(), loaded.damaged.end(), kRecentValue) !=
        loaded.damaged.end())
        return false;
    NoteJoined(loaded.settings.recent, server, now);
    return store.Write(kRecentValue, RecentText(loaded.settings.recent));
}

std::string AddFavourite(ISettingsStore& store, ServerAddress server) {
    LoadedSettings loaded = LoadSettings(store);
    const std::string address = AddressText(server);
    if (std::find(loaded.damaged.begin(), loaded.damaged.end(), kFavouritesValue) !=
        loaded.damaged.end())
        return address + " was not added: the stored favourites could not be read, and are "
                         "left as they are.";
    std::vector<ServerAddress>& favourites = loaded.settings.favourites;
    if (std::find(favourites.begin(), favourites.end(), server) != favourites.end())
        return address + " is one of the favourites already.";
    if (!CanBeGameServer(server) || !ToggleFavourite(favourites, server))
        return address + " was not added: " +
               (CanBeGameServer(server)
                    ? "there are " + std::to_string(kMaxFavourites) + " favourites already."
                    : std::string("no game server can have that address."));
    if (!store.Write(kFavouritesValue, FavouritesText(favourites)))
        return address + " was not added: the registry refused the change.";
    return address + " is one of the favourites now.";
}

} // namespace quorin
