// How the details panel draws a server's texts. The lists keep the server's
// bytes; only their drawing reads the game's colour codes (^0 to ^9) as
// colours, a line break as a separator, and the player lines after the last
// value as players with their count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

// The colour of text before any code, and after a code's colour is dropped.
inline constexpr int kDefaultColour = 7;

struct TextRun {
    std::string text;
    int colour = kDefaultColour; // the code's digit, 0 to 9
    bool separator = false;      // stands where the text broke its line
    bool operator==(const TextRun&) const = default;
};

// `text` cut where a colour code changes the colour, the codes themselves
// left out. A caret not followed by a digit is text.
std::vector<TextRun> ColourRuns(std::string_view text);

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
// The shade drawn for colour code `code` on the list's white: the game's
// colours, those too light to read on white (green, yellow, cyan, magenta,
// orange) darkened until they keep a contrast of at least 3:1. Empty for
// the default colour (^7, the game's white), which is the list's own text
// colour.
std::optional<Rgb> GameColour(int code);
// The contrast ratio of two colours, 1 to 21, as the web's accessibility
// guidelines (WCAG 2) measure it.
double ContrastRatio(Rgb a, Rgb b);

// The text without its colour codes.
std::string Uncoloured(std::string_view text);

struct Player {
    std::int64_t score = 0;
    std::int64_t ping = 0;
    std::string name; // with its colour codes
    bool operator==(const Player&) const = default;
};

// The lines `score ping "name"` one to a line; nullopt when any line is not
// one. A final line break ends the last line, not one more.
std::optional<std::vector<Player>> ParsePlayers(std::string_view lines);

// The value of "sv_maxclients" among the reply's pairs, or "".
std::string MaxClients(const std::vector<std::string>& names,
                       const std::vector<std::string>& values);

// "3/16 players"; "1 player" when the number of places is not known.
std::string PlayerCount(std::size_t players, std::string_view maxClients);

// The player lines after the first line of the reply's last value, each as
// the server sent it; empty when there are none that read as players.
std::optional<std::vector<std::string>> PlayerLines(std::string_view lastValue);

// A player's row in the values list: "score 12, ping 48 ms".
std::vector<TextRun> PlayerRuns(std::string_view line);

// What a row shows. In the last row of the server's pairs, the lines after
// the first are the server's players when they read as players, shown there
// by their count ("3/16 players": they have rows of their own); any other
// line break shows as a separator.
std::vector<TextRun> RowRuns(std::string_view item, bool last, std::string_view maxClients);

// The same row spelt out for its tooltip, a player to a line, without
// colour codes; "" for a row of one line.
std::string RowTip(std::string_view item, bool last, std::string_view maxClients);

} // namespace quorin
