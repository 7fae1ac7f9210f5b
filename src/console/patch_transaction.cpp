#include "console/patch_transaction.h"

#include <charconv>
#include <string_view>
#include <utility>

#include "common/keyed_collection.h"
#include "common/versions.h"
#include "console/game_plans.h"

namespace quorin {

namespace {

SwitchPlan PlanFor(IGameFiles& files, const InstallRecord& install, const PatchRequest& request) {
    return PlanSwitch(std::string(request.toNewer ? kVersion100 : kVersion101), files.ToolFolder(),
                      install.InstallPath());
}

} // namespace

std::string PatchProblem(IGameFiles& files, const InstallRecord& install,
                         const PatchRequest& request) {
    if (!install.GameKeyExists())
        return "The game's registry key is gone. Reinstall the game.";
    return VersionSwitch(files, install).Check(PlanFor(files, install, request));
}

PatchResult RunPatch(IGameFiles& files, const InstallRecord& install, const PatchRequest& request,
                     const std::function<void(int)>& progress, MarkerWriter writeMarker) {
    VersionSwitch version(files, install, std::move(writeMarker));
    PatchResult result;
    if (request.checkFirst) {
        RecoverResult found = version.Recover();
        if (found.leftover == Leftover::Unreadable && request.setAside) {
            if (const std::string why = version.SetAside(); !why.empty())
                found = {Leftover::Unreadable, why};
            else
                found = {};
        }
        if (found.leftover != Leftover::None && found.leftover != Leftover::RolledBack) {
            result.recovery = found;
            return result;
        }
    }
    result.switched = version.Run(PlanFor(files, install, request), progress);
    return result;
}

std::string TransactionArguments(const Transaction& t) {
    if (t.marker)
        return std::string(kTransactionWord) + " marker " + std::to_string(*t.marker);
    if (t.recoverOnly)
        return std::string(kTransactionWord) + " recover";
    return std::string(kTransactionWord) + " patch " + (t.patch.toNewer ? "101" : "100") +
           (t.patch.checkFirst ? " check" : "") + (t.patch.setAside ? " set-aside" : "");
}

std::optional<Transaction> ParseTransactionArguments(const std::string& words) {
    const std::string marker = std::string(kTransactionWord) + " marker ";
    if (words.starts_with(marker)) {
        std::uint32_t value = 0;
        const char* end = words.data() + words.size();
        if (std::from_chars(words.data() + marker.size(), end, value).ptr != end)
            return std::nullopt;
        const Transaction t{false, {}, value};
        return TransactionArguments(t) == words ? std::optional(t) : std::nullopt;
    }
    // Only the forms made above: anything else is no request of ours.
    for (const Transaction& t :
         {Transaction{true, {}}, Transaction{false, {false, false, false}},
          Transaction{false, {true, false, false}}, Transaction{false, {false, true, false}},
          Transaction{false, {true, true, false}}, Transaction{false, {false, true, true}},
          Transaction{false, {true, true, true}}})
        if (TransactionArguments(t) == words)
            return t;
    return std::nullopt;
}

// One line: the recovery's verdict (or "-"), the switch's outcome, then the
// text told, its line breaks as "\n" and backslashes doubled.
std::string FormatPatchResult(const PatchResult& result) {
    const std::string& told = result.recovery ? result.recovery->message : result.switched.problem;
    std::string text =
        (result.recovery ? std::to_string(static_cast<int>(result.recovery->leftover))
                         : std::string("-")) +
        " " + std::to_string(static_cast<int>(result.switched.outcome)) + " ";
    for (char c : told)
        text += c == '\n'   ? std::string("\\n")
                : c == '\\' ? std::string("\\\\")
                            : std::string(1, c);
    return text;
}

std::optional<PatchResult> ParsePatchResult(const std::string& text) {
    const std::size_t first = text.find(' ');
    const std::size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    const auto number = [&](std::size_t from, std::size_t to, int most) -> std::optional<int> {
        int value = -1;
        const auto [end, error] = std::from_chars(text.data() + from, text.data() + to, value);
        if (error != std::errc() || end != text.data() + to || value < 0 || value > most)
            return std::nullopt;
        return value;
    };
    std::string told;
    for (std::size_t i = second + 1; i < text.size(); ++i) {
        if (text[i] != '\\') {
            told += text[i];
            continue;
        }
        if (++i == text.size() || (text[i] != 'n' && text[i] != '\\'))
            return std::nullopt;
        told += text[i] == 'n' ? '\n' : '\\';
    }
    const auto outcome = number(first + 1, second, static_cast<int>(SwitchOutcome::RollbackFailed));
    if (!outcome)
        return std::nullopt;
    PatchResult result;
    result.switched.outcome = static_cast<SwitchOutcome>(*outcome);
    if (text.compare(0, first, "-") == 0) {
        result.switched.problem = told;
        return result;
    }
    const auto leftover = number(0, first, static_cast<int>(Leftover::RollbackFailed));
    if (!leftover)
        return std::nullopt;
    result.recovery = RecoverResult{static_cast<Leftover>(*leftover), told};
    return result;
}

namespace {

constexpr char kProgressWord[] = "progress ";
constexpr char kResultWord[] = "result ";
// Longer than any result the copy writes: a line past it is none of its.
constexpr std::size_t kReportLineLimit = 64 * 1024;

} // namespace

std::string ProgressLine(int percent) {
    return kProgressWord + std::to_string(percent) + "\n";
}

std::string ResultLine(const PatchResult& result) {
    return kResultWord + FormatPatchResult(result) + "\n";
}

bool ReportReader::Take(const std::string& bytes, const std::function<void(int)>& progress) {
    const auto after = [](const std::string& line, std::string_view word) {
        return line.starts_with(word) ? std::optional(line.substr(word.size())) : std::nullopt;
    };
    for (const char c : bytes) {
        if (broken_)
            return false;
        if (c != '\n') {
            line_ += c;
            broken_ = line_.size() > kReportLineLimit;
            continue;
        }
        const std::string line = std::exchange(line_, {});
        const auto result = after(line, kResultWord);
        const auto number = after(line, kProgressWord);
        int percent = -1;
        if (result_) {
            broken_ = true; // nothing comes after the result
        } else if (result && ParsePatchResult(*result)) {
            result_ = result;
        } else if (number &&
                   std::from_chars(number->data(), number->data() + number->size(), percent).ptr ==
                       number->data() + number->size() &&
                   percent >= 0 && percent <= 100) {
            if (progress)
                progress(percent);
        } else {
            broken_ = true;
        }
    }
    return !broken_;
}

bool RunsThisProgram(IProcessNames& names, unsigned long self, unsigned long requester) {
    if (const auto own = names.Listed(self))
        if (const auto theirs = names.Listed(requester))
            return EqualsNoCase(*own, *theirs);
    const auto own = names.Opened(self);
    const auto theirs = names.Opened(requester);
    return own && theirs && EqualsNoCase(*own, *theirs);
}

} // namespace quorin
