#include "console/version_switch.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <string_view>

#include "common/keyed_collection.h"
#include "common/line_reader.h"
#include "install/patch_store.h"

namespace quorin {

namespace {

constexpr char kJournalHeader[] = "Quorin switch journal 2";
constexpr char kJournalEnd[] = "end";
// Last-write times kept by FAT32 are 2 s apart; exFAT and NTFS keep finer ones.
constexpr std::uint64_t kTimeSlack = 2 * 10'000'000ull;
constexpr std::uint64_t kRoomSlack = 1 << 20;

constexpr char kAnotherSwitching[] =
    "Another Quorin is switching the game's version right now. This one leaves the game "
    "folder alone: wait until the other has finished.";
constexpr char kTriesAgain[] = " Quorin tries again when you click Patch or start it again.";

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Why a file could not be moved, removed or written, in words the player can act on.
std::string Cause(const std::string& path, FileResult result) {
    switch (result.error) {
    case FileError::InUse:
        return Quoted(path) + " is in use by another program. Close the game (and any program "
                              "that may have the file open), then click Patch again.";
    case FileError::AccessDenied:
        return "Quorin was refused access to " + Quoted(path) +
               ". Check that Quorin may change the game folder.";
    case FileError::DiskFull:
        return "The drive is full: " + Quoted(path) +
               " could not be written. Free some space, then click Patch again.";
    case FileError::Link:
        return Quoted(path) + " is a link. Quorin changes nothing through links.";
    case FileError::NotFound:
        return Quoted(path) + " is missing.";
    default:
        return Quoted(path) + " could not be changed (error " + std::to_string(result.system) +
               ").";
    }
}

std::string LinkText(const std::string& path) {
    return Quoted(path) + " is a link (a symbolic link or junction). Quorin changes nothing "
                          "through links: replace it with a real folder or file, then click "
                          "Patch again.";
}

std::string TooLongText(const std::string& path) {
    return "The path " + Quoted(path) + " is longer than the " + std::to_string(kMaxPath) +
           " characters that Quorin can use. Install the game in a folder with a shorter path.";
}

// Whole megabytes: a need rounded up, the room there is rounded down, so
// that the two never read as the same when the room falls short.
std::string Megabytes(std::uint64_t bytes, bool up) {
    return std::to_string((bytes + (up ? (1 << 20) - 1 : 0)) >> 20) + " MB";
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name of `path` below `folder` ("" for the folder itself); empty when
// it does not lie inside it.
std::optional<std::string> NameInside(const std::string& folder, const std::string& path) {
    if (!EqualsNoCase(path.substr(0, folder.size()), folder))
        return std::nullopt;
    if (path.size() == folder.size())
        return std::string();
    const std::string name = path.substr(folder.size() + 1);
    if (path[folder.size()] != '\\' || !IsConfinedName(name))
        return std::nullopt;
    return name;
}

struct PlannedFile {
    std::string source;
    std::string relative; // below "GameData"
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool folder = false;
    std::unique_ptr<ISource> opened = nullptr; // a file's, held until the switch ends
};

} // namespace

struct VersionSwitch::Prepared {
    SwitchJournal journal;
    std::vector<PlannedFile> planned;
    std::uint64_t bytes = 0;
};

bool IsOurNote(const std::string& relativePath) {
    return IsStoreNote(relativePath);
}

bool IsConfinedName(const std::string& relativePath) {
    return IsStoreName(relativePath); // at most kMaxPath long, as the store's names
}

std::string InstallPathProblem(const std::string& installPath) {
    const std::string named =
        "The game's \"Install Path\" in the registry, " + Quoted(installPath) + ", ";
    if (installPath.empty())
        return "The game's registry key has no \"Install Path\", so Quorin cannot tell where the "
               "game is. Reinstall the game.";
    std::string rest;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (installPath.size() >= 3 && letter(installPath[0]) && installPath[1] == ':' &&
        installPath[2] == '\\') {
        rest = installPath.substr(3);
    } else if (installPath.starts_with("\\\\") && !installPath.starts_with("\\\\?\\") &&
               !installPath.starts_with("\\\\.\\")) {
        const std::size_t server = installPath.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return named + "names no shared folder. Reinstall the game.";
        rest = installPath.substr(server + 1);
    } else {
        return named + "is not a full path of a folder (such as C:\\Games\\Jedi Academy). "
                       "Reinstall the game.";
    }
    // A trailing backslash doubles the one every path adds, which Windows allows.
    if (rest.ends_with('\\'))
        rest.pop_back();
    if (!rest.empty() && !IsConfinedName(rest))
        return named + "is not a plain folder path. Reinstall the game.";
    if (installPath.size() + std::string_view("\\GameData\\Quorin switch\\journal.txt").size() >
        kMaxPath)
        return named + "is too long: Quorin can use paths of at most " + std::to_string(kMaxPath) +
               " characters. Install the game in a folder with a shorter path.";
    return {};
}

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

std::string VersionSwitch::GameData() const {
    return GameDataFolder(install_.InstallPath());
}

bool VersionSwitch::WriteMarker(std::uint32_t value) const {
    return writeMarker_ ? writeMarker_(value)
                        : install_.WriteMagic(static_cast<std::int32_t>(value));
}

std::string VersionSwitch::GameDataProblem() {
    const FileState folder = files_.Stat(GameData());
    if (folder.link)
        return LinkText(GameData());
    if (!folder.folder)
        return "The game folder " + Quoted(GameData()) +
               " is missing. Check the game's installation.";
    return {};
}

std::string VersionSwitch::Aside(std::size_t index) const {
    return Folder() + "\\" + std::to_string(index);
}

std::string VersionSwitch::LinkOnTheWay(const std::string& relative) {
    std::string path = GameData();
    for (const std::string& part : PathComponents(relative)) {
        path += "\\" + part;
        if (files_.Stat(path).link)
            return path;
    }
    return {};
}

std::string VersionSwitch::Prepare(const SwitchPlan& plan, Prepared& out) {
    // Everything the copies will write, each file once: a step whose every
    // file an earlier step already writes from the same source is left out.
    SwitchJournal& journal = out.journal;
    std::vector<PlannedFile>& planned = out.planned;
    std::map<std::string, std::size_t> byDestination; // folded name -> planned index
    std::uint64_t& bytes = out.bytes;
    const std::string gameData = GameData();
    // The name below "GameData" of a path in it, checked for links and length.
    const auto below = [&](const std::string& relative) -> std::optional<std::string> {
        if (Full(relative).size() > kMaxPath)
            return TooLongText(Full(relative));
        if (const std::string link = LinkOnTheWay(relative); !link.empty())
            return LinkText(link);
        return std::nullopt;
    };
    const auto claim = [&](const std::string& relative) -> std::optional<std::string> {
        if (auto problem = below(relative))
            return problem;
        const FileState state = files_.Stat(Full(relative));
        if (state.folder)
            return Quoted(Full(relative)) + " is a folder where the patch has a file.";
        (state.exists ? journal.movedFiles : journal.newFiles).push_back(relative);
        return std::nullopt;
    };
    const std::string tool = files_.ToolFolder();
    for (const CopyStep& step : plan.copies) {
        const std::string source = step.SourceFolder();
        // The store's own folders are no links either ("Patch Files\100" made
        // one to a folder elsewhere), up to Quorin's folder.
        for (std::string folder = source; folder.size() > tool.size();
             folder = folder.substr(0, folder.rfind('\\')))
            if (files_.Stat(folder).link)
                return "The patch folder " + Quoted(folder) +
                       " is a link. Quorin copies no links: put the files themselves there.";
        const auto listing = files_.List(source);
        if (!listing)
            return ("The patch folder " + Quoted(source) +
                    " is missing. Put that version's files there, then click Patch again.");
        if (std::none_of(listing->begin(), listing->end(),
                         [](const FileEntry& e) { return !e.state.folder && !IsOurNote(e.path); }))
            return ("The patch folder " + Quoted(source) +
                    " holds none of the game's files. Put that version's files there, "
                    "then click Patch again.");
        const std::string root = step.DestinationFolder();
        const std::optional<std::string> inside = NameInside(gameData, root);
        if (!inside)
            return (Quoted(root) + " is not inside the game folder " + Quoted(gameData) + ".");
        const std::string& rootName = *inside;
        if (!rootName.empty() && !files_.Stat(root).exists &&
            !byDestination.contains(FoldCase(rootName))) {
            if (auto problem = below(rootName))
                return (*problem);
            journal.folders.push_back(rootName);
            byDestination[FoldCase(rootName)] = planned.size();
            planned.push_back({source, rootName, 0, 0, true});
        }
        for (const FileEntry& entry : *listing) {
            const std::string from = source + "\\" + entry.path;
            if (entry.state.link)
                return ("The patch folder holds a link, " + Quoted(from) +
                        ". Quorin copies no links: put the files themselves there.");
            if (!IsConfinedName(entry.path))
                return (Quoted(from) + " has a name Quorin cannot copy.");
            const std::string name = rootName.empty() ? entry.path : rootName + "\\" + entry.path;
            const std::string key = FoldCase(name);
            const auto known = byDestination.find(key);
            if (known != byDestination.end() && planned[known->second].source == from)
                continue;
            if (entry.state.folder) {
                if (known == byDestination.end() && !files_.Stat(Full(name)).exists) {
                    if (auto problem = below(name))
                        return (*problem);
                    journal.folders.push_back(name);
                    byDestination[key] = planned.size();
                    planned.push_back({from, name, 0, 0, true});
                }
                continue;
            }
            // Opened once, here: the copy reads this handle, whatever the
            // folder holds by then.
            FileResult error;
            std::unique_ptr<ISource> opened = files_.OpenSource(from, error);
            if (!opened)
                return Cause(from, error);
            const FileState state = opened->State();
            if (state.link || state.folder)
                return "The patch folder holds a link, " + Quoted(from) +
                       ". Quorin copies no links: put the files themselves there.";
            PlannedFile file{from, name, state.size, state.writeTime, false, std::move(opened)};
            if (known == byDestination.end()) {
                if (auto problem = claim(name))
                    return (*problem);
                byDestination[key] = planned.size();
                planned.push_back(std::move(file));
            } else {
                bytes -= planned[known->second].size;
                planned[known->second] = std::move(file);
            }
            bytes += state.size;
        }
    }
    std::string deleted; // its name below "GameData"
    if (plan.deleteIfPresent) {
        const std::optional<std::string> name = NameInside(gameData, *plan.deleteIfPresent);
        if (!name || name->empty())
            return (Quoted(*plan.deleteIfPresent) + " is not inside the game folder.");
        deleted = *name;
        if (!byDestination.contains(FoldCase(deleted)) && files_.FileExists(Full(deleted)))
            if (auto problem = claim(deleted))
                return (*problem);
    }
    // The files the store's record names as only 1.0.1's go as the deleted
    // one does; without a record (or with one that cannot be read) there are none.
    std::set<std::string> only101;
    if (plan.replacedStore) {
        const std::string store = plan.replacedStore->substr(0, plan.replacedStore->rfind('\\'));
        const auto text = files_.ReadText(store + "\\" + kStoreRecordName, kStoreRecordLimit);
        const auto record = text ? ParseStoreRecord(*text) : std::nullopt;
        for (const std::string& name : record ? record->only101 : std::vector<std::string>{}) {
            if (!IsConfinedName(name) || !only101.insert(FoldCase(name)).second)
                continue;
            if (!byDestination.contains(FoldCase(name)) && files_.FileExists(Full(name)))
                if (auto problem = claim(name))
                    return (*problem);
        }
    }
    // Going down, every file that 1.0.1 put into the game must be replaced
    // (or be one deleted), or the installation would be left mixed.
    if (plan.replacedStore) {
        std::string missing;
        std::size_t count = 0;
        for (const FileEntry& e :
             files_.List(*plan.replacedStore).value_or(std::vector<FileEntry>{}))
            if (!e.state.folder && !IsOurNote(e.path) &&
                !byDestination.contains(FoldCase(e.path)) && !EqualsNoCase(e.path, deleted) &&
                !only101.contains(FoldCase(e.path)) && ++count <= 5)
                missing += (missing.empty() ? "" : ", ") + e.path;
        if (count)
            return ("The 1.0.0 patch folder lacks " + std::to_string(count) +
                    " file(s) that the 1.0.1 files replace: " + missing +
                    (count > 5 ? ", ..." : "") +
                    ". Switching down would leave them behind. Put their 1.0.0 versions into " +
                    Quoted(plan.copies.empty() ? std::string() : plan.copies[0].SourceFolder()) +
                    ", then click Patch again.");
    }
    if (const auto free = files_.FreeBytes(GameData()); free && *free < bytes + kRoomSlack)
        return ("There is not enough room on the game's drive: the switch needs " +
                Megabytes(bytes + kRoomSlack, true) + " in " + Quoted(GameData()) + ", and " +
                Megabytes(*free, false) + " are free. Free some space, then click Patch again.");
    return {};
}

std::string VersionSwitch::Check(const SwitchPlan& plan) {
    if (std::string problem = InstallPathProblem(install_.InstallPath()); !problem.empty())
        return problem;
    if (std::string problem = GameDataProblem(); !problem.empty())
        return problem;
    Prepared prepared;
    return Prepare(plan, prepared);
}

SwitchResult VersionSwitch::Run(const SwitchPlan& plan, const std::function<void(int)>& progress) {
    const auto notStarted = [](std::string problem) {
        return SwitchResult{SwitchOutcome::NotStarted, std::move(problem)};
    };
    if (std::string problem = InstallPathProblem(install_.InstallPath()); !problem.empty())
        return notStarted(problem);
    if (std::string problem = GameDataProblem(); !problem.empty())
        return notStarted(problem);
    const std::unique_ptr<IHold> lock = files_.LockSwitch(GameData());
    if (!lock)
        return notStarted(kAnotherSwitching);
    // An earlier switch's journal is dealt with first; one that cannot be
    // read or put back, or a folder of that name Quorin did not make (a
    // link, a file), stops this one.
    if (const RecoverResult earlier = RecoverLocked();
        earlier.leftover == Leftover::Doubt || earlier.leftover == Leftover::Stuck)
        return notStarted(earlier.told);
    const bool folderThere = files_.Stat(Folder()).exists;
    Prepared prepared;
    if (std::string problem = Prepare(plan, prepared); !problem.empty())
        return notStarted(problem);
    SwitchJournal& journal = prepared.journal;
    const std::vector<PlannedFile>& planned = prepared.planned;
    const std::uint64_t bytes = prepared.bytes;
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i)
        if (files_.Stat(Aside(i)).exists)
            return notStarted(Quoted(Aside(i)) +
                              " is in Quorin's folder but Quorin did not put it there. Move it "
                              "elsewhere, then click Patch again.");

    journal.marker = install_.SaveMagic();
    if (!folderThere)
        if (const FileResult rc = files_.MakeFolder(Folder()); rc != kFileOk)
            return notStarted(Cause(Folder(), rc));
    FileResult journalError = kFileOk;
    std::unique_ptr<IJournalFile> journalFile =
        files_.CreateJournal(Folder() + kJournalName, FormatJournal(journal), journalError);
    if (!journalFile) {
        ClearFolder();
        return notStarted("Quorin cannot write its journal into " + Quoted(Folder()) + ": " +
                          Cause(Folder() + kJournalName, journalError));
    }
    // The marker is written before any game file is touched.
    if (!WriteMarker(static_cast<std::uint32_t>(plan.marker))) {
        journalFile->Remove();
        ClearFolder();
        return {SwitchOutcome::MarkerRefused, {}};
    }

    const auto fail = [&](std::string problem) {
        std::size_t restored = 0;
        std::size_t removed = 0;
        const std::string left = RollBack(journal, restored, removed);
        if (left.empty()) {
            if (journalFile->Remove() == kFileOk)
                ClearFolder();
            return SwitchResult{SwitchOutcome::RolledBack, std::move(problem)};
        }
        journalFile.reset(); // closed, for the next try to read
        return SwitchResult{SwitchOutcome::RollbackFailed, problem + " " + left};
    };
    std::vector<Move> moves;
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i)
        moves.push_back({Full(journal.movedFiles[i]), Aside(i)});

    int shown = -1;
    const auto report = [&] {
        std::uint64_t done = 0;
        for (const PlannedFile& file : planned)
            if (file.size)
                done += std::min(files_.Stat(Full(file.relative)).size, file.size);
        const int percent = bytes ? static_cast<int>(done * 100 / bytes) : 100;
        if (percent != shown && progress)
            progress(shown = percent);
    };
    // Every replaced file goes aside before the copy writes its place, and
    // nothing but the planned files is copied, each from the handle that
    // was checked.
    std::vector<CopyItem> items;
    for (const PlannedFile& file : planned)
        items.push_back({Full(file.relative), file.opened.get()});
    std::string copyFailed;
    const CopyResult copy = files_.CopyFiles(GameData(), items, moves, report);
    if (copy.movesDone < moves.size())
        return fail(Cause(moves[copy.movesDone].from, copy.moveError));
    if (!copy.copied) {
        if (copy.copyError != kFileOk && !copy.failedPath.empty())
            return fail(Cause(copy.failedPath, copy.copyError));
        // The check below names the file that did not arrive, if it can.
        copyFailed = "The copy into " + Quoted(GameData()) + " failed.";
    }
    report();
    for (const PlannedFile& file : planned) {
        const FileState state = files_.Stat(Full(file.relative));
        const std::uint64_t apart = state.writeTime > file.writeTime
                                        ? state.writeTime - file.writeTime
                                        : file.writeTime - state.writeTime;
        if (file.folder ? !state.folder
                        : !state.exists || state.size != file.size || apart > kTimeSlack)
            return fail(Quoted(Full(file.relative)) + " did not arrive whole from " +
                        Quoted(file.source) +
                        ". Close the game and any program that may hold "
                        "the patch files open, then click Patch again.");
    }

    if (!copyFailed.empty())
        return fail(copyFailed);

    // Removing the journal commits the switch; what was moved aside then goes.
    if (const FileResult rc = journalFile->Remove(); rc != kFileOk)
        return fail(Cause(Folder() + kJournalName, rc));
    ClearFolder();
    return {SwitchOutcome::Switched, {}};
}

std::string VersionSwitch::RollBack(const SwitchJournal& journal, std::size_t& restored,
                                    std::size_t& removed) {
    std::vector<std::string> problems;
    const auto note = [&](std::string problem) { problems.push_back(std::move(problem)); };
    // Nothing is acted on through a link, whoever put it there.
    const auto reachable = [&](const std::string& name) {
        const std::string link = LinkOnTheWay(name);
        if (!link.empty())
            note(Cause(link, kFileLink));
        return link.empty();
    };
    for (auto it = journal.newFiles.rbegin(); it != journal.newFiles.rend(); ++it) {
        const FileState state = files_.Stat(Full(*it));
        if (!state.exists || !reachable(*it))
            continue;
        if (state.folder)
            note(Quoted(Full(*it)) + " is now a folder.");
        else if (const FileResult rc = files_.RemoveFile(Full(*it)); rc != kFileOk)
            note(Cause(Full(*it), rc));
        else
            ++removed;
    }
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i) {
        const std::string& name = journal.movedFiles[i];
        if (!reachable(name))
            continue;
        const FileState aside = files_.Stat(Aside(i));
        const FileState placed = files_.Stat(Full(name));
        if (!aside.exists || aside.link || aside.folder) {
            if (!placed.exists) // neither here nor there: say so, and keep the journal
                note(Quoted(Full(name)) + " is missing: it is neither in its place nor in " +
                     Quoted(Folder()) + " as " + Quoted(std::to_string(i)) + ".");
            continue; // never moved: still in its place
        }
        FileResult rc = kFileOk;
        if (placed.folder)
            rc = kFileExists;
        else if (placed.exists)
            rc = files_.RemoveFile(Full(name));
        if (rc == kFileOk)
            rc = files_.Rename(Aside(i), Full(name));
        if (rc == kFileOk)
            ++restored;
        else
            note(Cause(Full(name), rc));
    }
    for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it) {
        const FileState state = files_.Stat(Full(*it));
        if (!state.folder || !reachable(*it))
            continue;
        // One that now holds files of someone else's stays, with them.
        if (const FileResult rc = files_.RemoveFolder(Full(*it));
            rc != kFileOk && rc != kFileNotEmpty)
            note(Cause(Full(*it), rc));
    }
    // An absent marker cannot be made absent again: it reads as 1.0.1.
    if (!(writeMarker_ ? WriteMarker(journal.marker.value_or(kMagic101))
                       : install_.RestoreMagic(journal.marker)))
        note("Quorin could not put back the version marker \"Magic\" in the registry.");
    if (problems.empty())
        return {};
    std::string text = "Quorin could not put everything back:";
    for (std::size_t i = 0; i < problems.size() && i < 5; ++i)
        text += " " + problems[i];
    if (problems.size() > 5)
        text += " (and " + std::to_string(problems.size() - 5) + " more)";
    return text + " Its journal stays in " + Quoted(Folder()) + "." + kTriesAgain;
}

void VersionSwitch::ClearFolder() {
    const FileState folder = files_.Stat(Folder());
    if (!folder.folder || folder.link)
        return;
    for (const FileEntry& e : files_.List(Folder()).value_or(std::vector<FileEntry>{}))
        if (!e.state.folder && !e.state.link &&
            (AllDigits(e.path) || EqualsNoCase(e.path, kJournalName + 1)))
            files_.RemoveFile(Folder() + "\\" + e.path);
    files_.RemoveFolder(Folder()); // only when nothing else is left in it
}

RecoverResult VersionSwitch::Recover() {
    if (!InstallPathProblem(install_.InstallPath()).empty() || !files_.Stat(Folder()).exists)
        return {};
    const std::unique_ptr<IHold> lock = files_.LockSwitch(GameData());
    if (!lock)
        return {Leftover::Busy, kAnotherSwitching};
    return RecoverLocked();
}

RecoverResult VersionSwitch::RecoverLocked() {
    const std::string intro =
        "A version switch did not finish the last time Quorin ran (Quorin or the computer "
        "stopped during it). ";
    const auto doubt = [&](const std::string& why) {
        return RecoverResult{
            Leftover::Doubt,
            "Quorin found what an unfinished version switch left in " + Quoted(Folder()) +
                ", but " + why +
                " Quorin has changed nothing: any game files it had moved aside are still "
                "there. Close any program that may have it open and start Quorin again, or "
                "click Patch to set the folder aside (nothing in it is deleted) and switch anew."};
    };
    const FileState folder = files_.Stat(Folder());
    if (!folder.exists)
        return {};
    if (folder.link || !folder.folder)
        return doubt("it is not a folder Quorin made (it is a link or a file).");
    const std::string path = Folder() + kJournalName;
    const FileState state = files_.Stat(path);
    if (!state.exists) {
        // A finished switch's leftovers: what it set aside only goes.
        ClearFolder();
        return {};
    }
    if (state.link || state.folder)
        return doubt("its journal is not a file Quorin wrote.");
    const auto text = files_.ReadText(path, kJournalLimit);
    if (!text)
        return doubt("its journal cannot be read (another program may have it open).");
    const auto journal = ParseJournal(*text);
    if (!journal)
        return doubt("its journal cannot be understood: it is damaged, or was not written by "
                     "this version of Quorin.");
    std::size_t restored = 0;
    std::size_t removed = 0;
    const std::string left = RollBack(*journal, restored, removed);
    if (!left.empty())
        return {Leftover::Stuck, intro + left};
    if (const FileResult rc = files_.RemoveFile(path); rc != kFileOk)
        return {Leftover::Stuck, intro +
                                     "The game is back as it was, but Quorin could not remove "
                                     "its journal: " +
                                     Cause(path, rc) + kTriesAgain};
    ClearFolder();
    return {Leftover::RolledBack,
            intro + "The game has been put back as it was before: " + std::to_string(restored) +
                " file(s) restored, " + std::to_string(removed) + " removed."};
}

std::string VersionSwitch::SetAside() {
    const std::unique_ptr<IHold> lock = files_.LockSwitch(GameData());
    if (!lock)
        return kAnotherSwitching;
    // A link is not renamed: some systems would move what it points at.
    if (files_.Stat(Folder()).link)
        return Quoted(Folder()) + " is a link, which Quorin leaves alone. Remove the link "
                                  "yourself, then click Patch again.";
    for (int n = 1; n < 100; ++n) {
        const std::string kept = Folder() + " (kept " + std::to_string(n) + ")";
        if (files_.Stat(kept).exists)
            continue;
        if (const FileResult rc = files_.Rename(Folder(), kept); rc != kFileOk)
            return Cause(Folder(), rc);
        return {};
    }
    return "There are too many folders named " + Quoted(Folder() + " (kept ...)") +
           ": remove the ones you no longer need.";
}

} // namespace quorin
