#include "console/server_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/keyed_collection.h"
#include "net/status_reply.h"

namespace quorin {

std::optional<Rgb> GameColour(int code) {
    static constexpr Rgb kShades[] = {{0, 0, 0},    {255, 0, 0},    {0, 128, 0},   {160, 130, 0},
                                      {0, 0, 255},  {0, 128, 150},  {200, 0, 200}, {0, 0, 0},
                                      {200, 95, 0}, {128, 128, 128}};
    if (code == kDefaultColour || code < 0 || code > 9)
        return std::nullopt;
    return kShades[code];
}

double ContrastRatio(Rgb a, Rgb b) {
    const auto luminance = [](Rgb c) {
        const auto linear = [](std::uint8_t v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void Append(std::vector<TextRun>& runs, std::vector<TextRun> more) {
    runs.insert(runs.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
}

// A whole number at the front of `text`, taken off it.
std::optional<std::int64_t> TakeNumber(std::string_view& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

std::optional<Player> ParsePlayer(std::string_view line) {
    const auto score = TakeNumber(line);
    if (!score || !line.starts_with(' '))
        return std::nullopt;
    line.remove_prefix(1);
    const auto ping = TakeNumber(line);
    if (!ping || !line.starts_with(" \"") || line.size() < 3 || !line.ends_with('"'))
        return std::nullopt;
    return Player{*score, *ping, std::string(line.substr(2, line.size() - 3))};
}

// The lines of `text` after its first, or nullopt for a text of one line.
std::optional<std::string_view> AfterFirstLine(std::string_view text) {
    const std::size_t at = text.find('\n');
    if (at == std::string_view::npos)
        return std::nullopt;
    return text.substr(at + 1);
}

} // namespace

std::string PlayerCount(std::size_t players, std::string_view maxClients) {
    std::string text = std::to_string(players);
    if (!maxClients.empty())
        text += "/" + std::string(maxClients);
    return text + (players == 1 && maxClients.empty() ? " player" : " players");
}

std::optional<std::vector<std::string>> PlayerLines(std::string_view lastValue) {
    const auto rest = AfterFirstLine(lastValue);
    if (!rest || !ParsePlayers(*rest))
        return std::nullopt;
    std::vector<std::string> lines;
    for (std::string_view left = *rest; !left.empty();) {
        const std::size_t end = left.find('\n');
        lines.emplace_back(left.substr(0, end));
        left.remove_prefix(end == std::string_view::npos ? left.size() : end + 1);
    }
    return lines;
}

std::vector<TextRun> PlayerRuns(std::string_view line) {
    const auto player = ParsePlayers(line);
    if (!player || player->size() != 1)
        return ColourRuns(line);
    return {{"score " + std::to_string(player->front().score) + ", ping " +
             std::to_string(player->front().ping) + " ms"}};
}

std::vector<TextRun> ColourRuns(std::string_view text) {
    std::vector<TextRun> runs;
    int colour = kDefaultColour;
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && IsDigit(text[i + 1])) {
            if (!piece.empty())
                runs.push_back({std::move(piece), colour});
            piece.clear();
            colour = text[++i] - '0';
            continue;
        }
        piece += text[i];
    }
    if (!piece.empty())
        runs.push_back({std::move(piece), colour});
    return runs;
}

std::string Uncoloured(std::string_view text) {
    std::string plain;
    for (const TextRun& run : ColourRuns(text))
        plain += run.text;
    return plain;
}

std::optional<std::vector<Player>> ParsePlayers(std::string_view lines) {
    std::vector<Player> players;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const auto player = ParsePlayer(lines.substr(0, end));
        if (!player)
            return std::nullopt;
        players.push_back(*player);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    return players;
}

std::string MaxClients(const std::vector<std::string>& names,
                       const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
        if (EqualsNoCase(names[i], "sv_maxclients")) // the last value runs on into the players
            return std::string(FirstLine(values[i]));
    return {};
}

std::vector<TextRun> RowRuns(std::string_view item, bool last, std::string_view maxClients) {
    const auto rest = AfterFirstLine(item);
    std::vector<TextRun> runs = ColourRuns(item.substr(0, item.find('\n')));
    if (!rest)
        return runs;
    if (const auto players = last ? ParsePlayers(*rest) : std::nullopt) {
        // The players have rows of their own: here, only how many.
        runs.push_back({"", kDefaultColour, true});
        runs.push_back({PlayerCount(players->size(), maxClients)});
        return runs;
    }
    for (std::string_view lines = *rest;;) {
        const std::size_t end = lines.find('\n');
        runs.push_back({"", kDefaultColour, true});
        Append(runs, ColourRuns(lines.substr(0, end)));
        if (end == std::string_view::npos)
            return runs;
        lines.remove_prefix(end + 1);
    }
}

std::string RowTip(std::string_view item, bool last, std::string_view maxClients) {
    const auto rest = AfterFirstLine(item);
    if (!rest)
        return {};
    std::string tip = Uncoloured(item.substr(0, item.find('\n')));
    if (const auto players = last ? ParsePlayers(*rest) : std::nullopt) {
        tip += "\n" + PlayerCount(players->size(), maxClients);
        for (const Player& p : *players)
            tip += "\n" + Uncoloured(p.name) + ": score " + std::to_string(p.score) + ", ping " +
                   std::to_string(p.ping);
        return tip;
    }
    return tip + "\n" + Uncoloured(*rest);
}

} // namespace quorin
