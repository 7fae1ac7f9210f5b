#include "console/switch_journal.h"

#include <charconv>
#include <string_view>

#include "common/line_reader.h"
#include "console/switch_paths.h"

namespace quorin {

namespace {

constexpr char kJournalHeader[] = "Quorin switch journal 2";
constexpr char kJournalEnd[] = "end";

} // namespace

std::string FormatJournal(const SwitchJournal& journal) {
    std::string text = std::string(kJournalHeader) + "\n";
    text += journal.marker ? "marker " + std::to_string(*journal.marker) + "\n" : "marker none\n";
    for (const auto& [word, names] :
         {std::pair{"folder", &journal.folders}, std::pair{"new", &journal.newFiles},
          std::pair{"moved", &journal.movedFiles}})
        for (const std::string& name : *names)
            text += std::string(word) + " " + name + "\n";
    return text + kJournalEnd + "\n";
}

std::optional<SwitchJournal> ParseJournal(const std::string& text) {
    if (text.size() > kJournalLimit)
        return std::nullopt;
    SwitchJournal journal;
    bool marker = false;
    LineReader lines(text, kJournalLineLimit);
    if (lines.Next() != kJournalHeader)
        return std::nullopt;
    while (const std::optional<std::string_view> next = lines.Next()) {
        const std::string_view line = *next;
        if (line == kJournalEnd)
            return marker && lines.AtEnd() ? std::optional(journal) : std::nullopt;
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return std::nullopt;
        const std::string_view word = line.substr(0, space);
        const std::string rest(line.substr(space + 1));
        if (word == "marker") {
            if (marker)
                return std::nullopt;
            marker = true;
            if (rest == "none")
                continue;
            std::uint32_t value = 0;
            const auto [at, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
            if (error != std::errc() || at != rest.data() + rest.size())
                return std::nullopt;
            journal.marker = value;
            continue;
        }
        if (!IsConfinedName(rest))
            return std::nullopt;
        if (word == "folder")
            journal.folders.push_back(rest);
        else if (word == "new")
            journal.newFiles.push_back(rest);
        else if (word == "moved")
            journal.movedFiles.push_back(rest);
        else
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace quorin
