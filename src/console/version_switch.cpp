#include "console/version_switch.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "common/keyed_collection.h"

namespace quorin {

namespace {

constexpr char kJournalHeader[] = "Quorin switch journal";
constexpr char kJournalEnd[] = "end";
// Last-write times kept by FAT32 are 2 s apart; exFAT and NTFS keep finer ones.
constexpr std::uint64_t kTimeSlack = 2 * 10'000'000ull;
constexpr std::uint64_t kRoomSlack = 1 << 20;

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Why a file could not be moved, removed or written, in words the player can act on.
std::string Cause(const std::string& path, long error) {
    switch (error) {
    case kFileSharingViolation:
        return Quoted(path) + " is in use by another program. Close the game (and any program "
                              "that may have the file open), then click Patch again.";
    case kFileAccessDenied:
        return "Quorin was refused access to " + Quoted(path) +
               ". Check that it is not read-only and that Quorin may change the game folder.";
    case kFileDiskFull:
        return "The game's drive is full while writing " + Quoted(path) + ".";
    default:
        return Quoted(path) + " could not be changed (error " + std::to_string(error) + ").";
    }
}

// Whole megabytes: a need rounded up, the room there is rounded down, so
// that the two never read as the same when the room falls short.
std::string Megabytes(std::uint64_t bytes, bool up) {
    return std::to_string((bytes + (up ? (1 << 20) - 1 : 0)) >> 20) + " MB";
}

std::string Hex(const ByteArray& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::optional<ByteArray> FromHex(const std::string& text) {
    if (text.size() % 2)
        return std::nullopt;
    ByteArray bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        if (pair.find_first_not_of("0123456789abcdef") != std::string::npos)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

struct PlannedFile {
    std::string source;
    std::string destination;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool folder = false;
};

} // namespace

bool IsOurNote(const std::string& relativePath) {
    const std::string name = FoldCase(relativePath);
    return name == "readme-100.txt" || name == "readme-101.txt" ||
           name == "base\\readme-101-base.txt" || name == "readme-101-base.txt";
}

std::string FormatJournal(const SwitchJournal& journal) {
    std::string text = std::string(kJournalHeader) + "\n";
    if (journal.marker)
        text += "marker " + std::to_string(journal.marker->type) + " " +
                Hex(journal.marker->bytes) + "\n";
    else
        text += "marker none\n";
    for (const auto& [word, paths] :
         {std::pair{"folder", &journal.folders}, std::pair{"new", &journal.newFiles},
          std::pair{"moved", &journal.movedFiles}})
        for (const std::string& path : *paths)
            text += std::string(word) + " " + path + "\n";
    return text + kJournalEnd + "\n";
}

std::optional<SwitchJournal> ParseJournal(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kJournalHeader)
        return std::nullopt;
    SwitchJournal journal;
    bool marker = false;
    while (std::getline(in, line)) {
        if (line == kJournalEnd)
            return marker ? std::optional(journal) : std::nullopt;
        const std::size_t space = line.find(' ');
        const std::string word = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "marker" && rest != "none") {
            const std::size_t gap = rest.find(' ');
            const auto bytes = FromHex(gap == std::string::npos ? "" : rest.substr(gap + 1));
            if (gap == 0 || gap == std::string::npos || !bytes ||
                rest.find_first_not_of("0123456789") != gap)
                return std::nullopt;
            journal.marker =
                RegistryData{static_cast<std::uint32_t>(std::stoul(rest.substr(0, gap))), *bytes};
            marker = true;
        } else if (word == "marker") {
            marker = true;
        } else if (word == "folder" && !rest.empty()) {
            journal.folders.push_back(rest);
        } else if (word == "new" && !rest.empty()) {
            journal.newFiles.push_back(rest);
        } else if (word == "moved" && !rest.empty()) {
            journal.movedFiles.push_back(rest);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt; // cut short: it was never finished, so nothing was touched
}

std::string VersionSwitch::GameData() const {
    return install_.InstallPath() + "\\GameData";
}

std::string VersionSwitch::Aside(std::size_t index) const {
    return Folder() + "\\" + std::to_string(index);
}

SwitchResult VersionSwitch::Run(const SwitchPlan& plan, const std::function<void(int)>& progress) {
    const auto notStarted = [](std::string problem) {
        return SwitchResult{SwitchOutcome::NotStarted, std::move(problem)};
    };
    if (!files_.Stat(GameData()).folder)
        return notStarted("The game folder " + Quoted(GameData()) +
                          " is missing. Check the game's installation.");
    if (files_.Stat(Folder() + kJournalName).exists) {
        if (const auto told = Recover(); told && files_.Stat(Folder() + kJournalName).exists)
            return notStarted(*told);
    }
    ClearFolder();

    // Everything the copies will write, each file once: a step whose every
    // file an earlier step already writes from the same source is left out.
    SwitchJournal journal;
    std::vector<PlannedFile> planned;
    std::map<std::string, std::size_t> byDestination; // folded path -> planned index
    std::vector<const CopyStep*> steps;
    std::uint64_t bytes = 0;
    const auto claim = [&](const std::string& path) -> std::optional<std::string> {
        const FileState state = files_.Stat(path);
        if (state.folder)
            return Quoted(path) + " is a folder where the patch has a file.";
        if (state.readOnly)
            return Quoted(path) + " is read-only. Clear \"Read-only\" in the file's Properties, "
                                  "then click Patch again.";
        (state.exists ? journal.movedFiles : journal.newFiles).push_back(path);
        return std::nullopt;
    };
    for (const CopyStep& step : plan.copies) {
        const std::string source = step.sourcePattern.substr(0, step.sourcePattern.rfind('\\'));
        const auto listing = files_.List(source);
        if (!listing)
            return notStarted(
                "The patch folder " + Quoted(source) +
                " is missing. Put that version's files there, then click Patch again.");
        if (std::none_of(listing->begin(), listing->end(),
                         [](const FileEntry& e) { return !e.state.folder && !IsOurNote(e.path); }))
            return notStarted("The patch folder " + Quoted(source) +
                              " holds none of the game's files. Put that version's files there, "
                              "then click Patch again.");
        bool needed = false;
        const std::string root =
            step.destination.substr(0, step.destination.find_last_not_of('\\') + 1);
        if (const std::string rootKey = FoldCase(root);
            !files_.Stat(root).exists && !byDestination.contains(rootKey)) {
            journal.folders.push_back(root);
            byDestination[rootKey] = planned.size();
            planned.push_back({source, root, 0, 0, true});
            needed = true;
        }
        for (const FileEntry& entry : *listing) {
            const std::string from = source + "\\" + entry.path;
            const std::string to = root + "\\" + entry.path;
            const std::string key = FoldCase(to);
            const auto known = byDestination.find(key);
            if (known != byDestination.end() && planned[known->second].source == from)
                continue;
            needed = true;
            if (entry.state.folder) {
                if (known == byDestination.end() && !files_.Stat(to).exists) {
                    journal.folders.push_back(to);
                    byDestination[key] = planned.size();
                    planned.push_back({from, to, 0, 0, true});
                }
                continue;
            }
            if (known == byDestination.end()) {
                if (auto problem = claim(to))
                    return notStarted(*problem);
                byDestination[key] = planned.size();
                planned.push_back({from, to, entry.state.size, entry.state.writeTime});
            } else {
                planned[known->second] = {from, to, entry.state.size, entry.state.writeTime};
            }
            bytes += entry.state.size;
        }
        if (needed)
            steps.push_back(&step);
    }
    if (plan.deleteIfPresent && !byDestination.contains(FoldCase(*plan.deleteIfPresent)) &&
        files_.FileExists(*plan.deleteIfPresent))
        if (auto problem = claim(*plan.deleteIfPresent))
            return notStarted(*problem);
    if (const auto free = files_.FreeBytes(GameData()); free && *free < bytes + kRoomSlack)
        return notStarted("There is not enough room on the game's drive: the switch needs " +
                          Megabytes(bytes + kRoomSlack, true) + " in " + Quoted(GameData()) +
                          ", and " + Megabytes(*free, false) +
                          " are free. Free some space, then click Patch again.");

    journal.marker = install_.SaveMagic();
    if (const long rc = files_.MakeFolder(Folder()); rc != kFileOk)
        return notStarted(Cause(Folder(), rc));
    if (!files_.WriteText(Folder() + kJournalName, FormatJournal(journal))) {
        ClearFolder();
        return notStarted("Quorin cannot write its journal into " + Quoted(Folder()) + ".");
    }
    // The marker is written before any game file is touched.
    if (!install_.WriteMagic(plan.marker)) {
        ClearFolder();
        return {SwitchOutcome::MarkerRefused, {}};
    }

    const auto fail = [&](std::string problem) {
        const std::string left = RollBack(journal);
        if (left.empty())
            return SwitchResult{SwitchOutcome::RolledBack, std::move(problem)};
        return SwitchResult{SwitchOutcome::RollbackFailed, problem + " " + left};
    };
    std::vector<Move> moves;
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i)
        moves.push_back({journal.movedFiles[i], Aside(i)});

    int shown = -1;
    const auto report = [&] {
        std::uint64_t done = 0;
        for (const PlannedFile& file : planned)
            if (file.size)
                done += std::min(files_.Stat(file.destination).size, file.size);
        const int percent = bytes ? static_cast<int>(done * 100 / bytes) : 100;
        if (percent != shown && progress)
            progress(shown = percent);
    };
    // Every replaced file goes aside before the first copy writes its place.
    std::string copyFailed;
    for (const CopyStep* step : steps) {
        const CopyResult copy = files_.CopyFiles(*step, moves, report);
        if (copy.movesDone < moves.size())
            return fail(Cause(moves[copy.movesDone].from, copy.moveError));
        moves.clear();
        if (!copy.copied) {
            copyFailed = "The copy from " + Quoted(step->sourcePattern) + " into " +
                         Quoted(step->destination) + " failed.";
            break; // the check below names the file that did not arrive, if it can
        }
    }
    report();
    for (const PlannedFile& file : planned) {
        const FileState state = files_.Stat(file.destination);
        const std::uint64_t apart = state.writeTime > file.writeTime
                                        ? state.writeTime - file.writeTime
                                        : file.writeTime - state.writeTime;
        if (file.folder ? !state.folder
                        : !state.exists || state.size != file.size || apart > kTimeSlack)
            return fail(Quoted(file.destination) + " did not arrive whole from " +
                        Quoted(file.source) +
                        ". Close the game and any program that may hold "
                        "the patch files open, then click Patch again.");
    }

    if (!copyFailed.empty())
        return fail(copyFailed);

    // Removing the journal commits the switch; what was moved aside then goes.
    if (const long rc = files_.RemoveFile(Folder() + kJournalName); rc != kFileOk)
        return fail(Cause(Folder() + kJournalName, rc));
    ClearFolder();
    return {SwitchOutcome::Switched, {}};
}

std::string VersionSwitch::RollBack(const SwitchJournal& journal) {
    std::string left;
    const auto note = [&](long rc, const std::string& path) {
        if (rc != kFileOk && left.empty())
            left = "Quorin could not put everything back: " + Cause(path, rc);
    };
    for (auto it = journal.newFiles.rbegin(); it != journal.newFiles.rend(); ++it)
        if (files_.Stat(*it).exists)
            note(files_.RemoveFile(*it), *it);
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i) {
        const std::string& path = journal.movedFiles[i];
        if (!files_.Stat(Aside(i)).exists)
            continue; // never moved: still in its place
        long rc = files_.Stat(path).exists ? files_.RemoveFile(path) : kFileOk;
        if (rc == kFileOk)
            rc = files_.Rename(Aside(i), path);
        note(rc, path);
    }
    for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it)
        if (files_.Stat(*it).exists)
            note(files_.RemoveFolder(*it), *it);
    if (!install_.RestoreMagic(journal.marker) && left.empty())
        left = "Quorin could not put back the version marker \"Magic\" in the registry.";
    if (!left.empty())
        return left + " Its journal stays in " + Quoted(Folder()) +
               ", and Quorin tries again when it next starts.";
    ClearFolder();
    return {};
}

void VersionSwitch::ClearFolder() {
    const auto listing = files_.List(Folder());
    if (!listing)
        return;
    for (auto it = listing->rbegin(); it != listing->rend(); ++it) {
        const std::string path = Folder() + "\\" + it->path;
        it->state.folder ? files_.RemoveFolder(path) : files_.RemoveFile(path);
    }
    files_.RemoveFolder(Folder());
}

std::optional<std::string> VersionSwitch::Recover() {
    const auto text = files_.ReadText(Folder() + kJournalName);
    const auto journal = text ? ParseJournal(*text) : std::nullopt;
    if (!journal) {
        // Leftovers of a finished switch, or a journal never completed (and
        // so nothing touched): the folder only goes.
        ClearFolder();
        return std::nullopt;
    }
    const std::string left = RollBack(*journal);
    if (!left.empty())
        return "A version switch did not finish the last time Quorin ran. " + left;
    return "A version switch did not finish the last time Quorin ran (Quorin or the computer "
           "stopped during it). The game has been put back as it was before: " +
           std::to_string(journal->movedFiles.size()) + " file(s) restored, " +
           std::to_string(journal->newFiles.size()) + " removed.";
}

} // namespace quorin
