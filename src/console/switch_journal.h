// The switch's journal: what it records, by names relative to "GameData",
// as a text of lines Quorin alone writes and reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

// A journal longer than this, or with a longer line, was not written by Quorin.
inline constexpr std::size_t kJournalLimit = 1 << 20;
inline constexpr std::size_t kJournalLineLimit = 1024;

// Enough to put everything back.
struct SwitchJournal {
    std::optional<std::uint32_t> marker; // the REG_DWORD before the switch; none when absent
    std::vector<std::string> folders;    // made by the copies, outermost first
    std::vector<std::string> newFiles;   // written where nothing was
    std::vector<std::string> movedFiles; // moved aside, to "Quorin switch\<index>"
    bool operator==(const SwitchJournal&) const = default;
};

std::string FormatJournal(const SwitchJournal& journal);
// Empty for anything Quorin would not have written, a name that leaves
// "GameData" included.
std::optional<SwitchJournal> ParseJournal(const std::string& text);

} // namespace quorin
