// How the details panel's rows read: colours, separators and players.
#include "console/server_text.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

// Runs in one line: each as "text" with its colour, "|" for a separator.
std::string Render(const std::vector<TextRun>& runs) {
    std::string out;
    for (const TextRun& run : runs)
        out += run.separator ? "|" : run.text + "^" + std::to_string(run.colour) + " ";
    return out;
}

const std::string kPlayers = "12 48 \"^1Kyle^7 Katarn\"\n-3 112 \"Jaden \xE9\"\n";

TEST(RowRuns, ColoursSeparatorsAndPlayers) {
    const struct {
        std::string item;
        bool last;
        const char* seen;
    } cases[] = {
        {"plain", false, "plain^7 "},
        {"^1Red^7 white", false, "Red^1  white^7 "},
        {"a^1", false, "a^7 "},            // a code at the very end colours nothing
        {"^4^5Cyan^", false, "Cyan^^5 "},  // a code with no text goes; a lone caret is text
        {"a^x^^9b", false, "a^x^^7 b^9 "}, // a caret before a non-digit is text
        {"^0black", false, "black^0 "},
        {"one\ntwo\n^2three", false, "one^7 |two^7 |three^2 "},
        {"0\n" + kPlayers, false, "0^7 |12 48 \"^7 Kyle^1  Katarn\"^7 |-3 112 \"Jaden \xE9\"^7 |"},
        {"0\n" + kPlayers, true, "0^7 |2/16 players^7 "}, // the players have rows of their own
        {"20\n", true, "20^7 |0/16 players^7 "},          // nobody playing
        {"20\n5 0 \"\"", true, "20^7 |1/16 players^7 "},  // a name may be empty
        {"20\n99999999999999999999 2 \"a\"", true, "20^7 |99999999999999999999 2 \"a\"^7 "},
        {"20\n1 2 \"a\"\nnot a player", true, "20^7 |1 2 \"a\"^7 |not a player^7 "},
        {"20\n1\t2 \"a\"", true, "20^7 |1\t2 \"a\"^7 "}, // and a blank after the score
    };
    for (const auto& c : cases)
        EXPECT_EQ(Render(RowRuns(c.item, c.last, "16")), c.seen) << c.item;
    EXPECT_EQ(Render(RowRuns("0\n1 2 \"a\"", true, "")), "0^7 |1 player^7 ");
    EXPECT_EQ(Render(ColourRuns(std::string_view("a^1").substr(0, 2))), "a^^7 "); // ends at ^
    // Each player's own row: the line as sent, and what its value shows.
    EXPECT_EQ(PlayerLines("0\n" + kPlayers),
              (std::vector<std::string>{"12 48 \"^1Kyle^7 Katarn\"", "-3 112 \"Jaden \xE9\""}));
    EXPECT_EQ(PlayerLines("20\n"), std::vector<std::string>{});
    EXPECT_FALSE(PlayerLines("20\nnot a player"));
    for (const char* line : {"1 x \"a\"", "1 2 a\"", "1 2 \"", "1 2 \"a"}) // one part wrong
        EXPECT_FALSE(ParsePlayers(line)) << line;
    EXPECT_EQ(Render(PlayerRuns("-3 112 \"x\"")), "score -3, ping 112 ms^7 ");
}

TEST(RowTip, SpellsOutTheRowAPlayerToALine) {
    EXPECT_EQ(RowTip("^1one", true, "16"), "");
    EXPECT_EQ(RowTip("0\n" + kPlayers, true, "16"),
              "0\n2/16 players\nKyle Katarn: score 12, ping 48\nJaden \xE9: score -3, ping 112");
    EXPECT_EQ(RowTip("a\n^3b\nc", false, "16"), "a\nb\nc");
    EXPECT_EQ(MaxClients({"a", "SV_MaxClients"}, {"1", "24"}), "24");
    EXPECT_EQ(MaxClients({"a", "sv_maxclients"}, {"1"}), "");          // a name without its value
    EXPECT_EQ(MaxClients({"sv_maxclients"}, {"16\n1 2 \"a\""}), "16"); // the last, with players
}

TEST(GameColour, EveryCodeReadsOnTheWhiteList) {
    const Rgb white{255, 255, 255};
    EXPECT_NEAR(ContrastRatio({0, 0, 0}, white), 21.0, 1e-9);     // the scale's two ends
    EXPECT_NEAR(ContrastRatio({255, 255, 0}, white), 1.07, 0.01); // the game's own yellow
    for (int code = 0; code <= 9; ++code) {
        const auto shade = GameColour(code);
        if (code == kDefaultColour) {
            EXPECT_FALSE(shade); // the list's own text colour
            continue;
        }
        ASSERT_TRUE(shade) << code;
        EXPECT_GE(ContrastRatio(*shade, white), 3.0) << code;
    }
    // Still the game's colours, darkened where they would not read: black, red, green,
    // yellow, blue, cyan, magenta, (white: the list's own), orange, grey.
    const Rgb shades[] = {{0, 0, 0},    {255, 0, 0},    {0, 128, 0},   {160, 130, 0},
                          {0, 0, 255},  {0, 128, 150},  {200, 0, 200}, {},
                          {200, 95, 0}, {128, 128, 128}};
    for (int code = 0; code <= 9; ++code)
        EXPECT_EQ(GameColour(code).value_or(Rgb{}), shades[code]) << code;
    EXPECT_FALSE(GameColour(-1));
    EXPECT_FALSE(GameColour(10));
}

} // namespace
} // namespace quorin
