#include "install/store_take.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/keyed_collection.h"

namespace quorin {

namespace {

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string Cause(const std::string& path, FileResult result) {
    switch (result.error) {
    case FileError::InUse:
        return Quoted(path) + " is in use by another program. Close it, then take again.";
    case FileError::AccessDenied:
        return "Quorin was refused access to " + Quoted(path) +
               ". Check that Quorin may write beside itself.";
    case FileError::DiskFull:
        return "The drive is full: " + Quoted(path) + " could not be written.";
    case FileError::NotFound:
        return Quoted(path) + " is missing.";
    default:
        return Quoted(path) + " could not be written (error " + std::to_string(result.system) +
               ").";
    }
}

std::string Parent(const std::string& path) {
    const std::size_t at = path.rfind('\\');
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

// One file of the store being made.
struct Planned {
    std::string from;
    std::string to; // below the folder being made
    StoreRecord::Sum sum;
};

constexpr char kCancelled[] = "The take was cancelled. The patch store is as it was.";

} // namespace

std::optional<int> InstalledVersion(std::optional<std::uint32_t> marker,
                                    const std::optional<std::string>& clientVersion,
                                    std::string& told) {
    std::optional<int> named;
    if (clientVersion && clientVersion->starts_with("1.0.0."))
        named = 100;
    else if (clientVersion && clientVersion->starts_with("1.0.1."))
        named = 101;
    if (!marker && !named) {
        told = "Quorin cannot tell which version the game is: it has not switched it yet, and "
               "\"jamp.exe\" names no version Quorin knows.";
        return std::nullopt;
    }
    const int marked = marker ? (*marker ? 101 : 100) : *named;
    if (named && *named != marked)
        told = "Quorin's version marker says the game is " + VersionName(marked) +
               ", but its \"jamp.exe\" is the " + VersionName(*named) +
               " client (an update installed outside Quorin does that): its files are taken as " +
               VersionName(*named) + ".";
    return named.value_or(marked);
}

bool IsPlayerFile(const std::string& relativePath) {
    const std::string name = FoldCase(relativePath);
    return name.starts_with("quorin switch") || name.ends_with(".cfg") || name.ends_with(".log") ||
           name.starts_with("base\\screenshots\\");
}

FileResult StoreTake::RemoveTree(const std::string& folder) {
    const FileState state = files_.Stat(folder);
    if (!state.exists)
        return kFileOk;
    if (state.link)
        return kFileLink; // not Quorin's: left alone
    auto listing = files_.List(folder).value_or(std::vector<FileEntry>{});
    // What a folder holds is listed after it: backwards, each goes before it.
    for (auto it = listing.rbegin(); it != listing.rend(); ++it) {
        const std::string path = folder + "\\" + it->path;
        const FileResult rc = it->state.folder && !it->state.link ? files_.RemoveFolder(path)
                                                                  : files_.RemoveFile(path);
        if (rc != kFileOk)
            return rc;
    }
    return files_.RemoveFolder(folder);
}

std::string StoreTake::Recover() {
    for (const std::string& beside : {Taking(), Replaced()})
        if (files_.Stat(beside).link)
            return Quoted(beside) + " is a link, which Quorin leaves alone. Remove it yourself.";
    const bool taking = files_.Stat(Taking()).exists;
    const bool replaced = files_.Stat(Replaced()).exists;
    if (!files_.Stat(Store()).exists && (taking || replaced)) {
        // Stopped between the two renames: the new store goes into place
        // when it was finished (its record is written last), else the old
        // one goes back.
        const auto record = files_.ReadText(Taking() + "\\" + kStoreRecordName, kStoreRecordLimit);
        const std::string& back = record && ParseStoreRecord(*record) ? Taking() : Replaced();
        if (files_.Stat(back).exists)
            if (const FileResult rc = files_.Rename(back, Store()); rc != kFileOk)
                return "Quorin could not put the patch store back: " + Cause(Store(), rc);
    }
    for (const std::string& beside : {Taking(), Replaced()})
        if (const FileResult rc = RemoveTree(beside); rc != kFileOk)
            return "Quorin could not remove what a stopped take left: " + Cause(beside, rc);
    return {};
}

TakeResult StoreTake::Take(int version, const std::function<bool(const TakeProgress&)>& going) {
    const auto notStarted = [](std::string told) {
        return TakeResult{TakeOutcome::NotStarted, std::move(told)};
    };
    if (std::string left = Recover(); !left.empty())
        return notStarted(left);
    const int other = version == 100 ? 101 : 100;
    const auto listing = files_.List(gameData_); // none for a link
    if (!listing)
        return notStarted("The game folder " + Quoted(gameData_) + " is missing or is a link.");
    if (files_.Stat(gameData_ + "\\Quorin switch").exists)
        return notStarted("A version switch of the game did not finish. Start Quorin again so "
                          "that it puts the game back, then take its files.");
    const StoreReport before = InspectStore(files_, tool_);
    if (files_.Stat(Store()).link)
        return notStarted(before.problems.front());
    if (files_.Stat(Store() + "\\" + kStoreRecordName).exists && !before.record)
        return notStarted(before.problems.front());
    const StoreRecord old = before.record.value_or(StoreRecord{});

    // The game's files, each with its checksum.
    std::map<std::string, Planned> game101or100; // folded name -> file
    std::uint64_t total = 0;
    for (const FileEntry& e : *listing) {
        if (e.state.folder && !e.state.link)
            continue;
        if (IsPlayerFile(e.path))
            continue;
        const std::string path = gameData_ + "\\" + e.path;
        if (e.state.link)
            return notStarted(Quoted(path) + " is a link. Quorin copies no links.");
        if (!IsStoreName(e.path))
            return notStarted(Quoted(path) + " has a name Quorin cannot copy.");
        if (!game101or100.emplace(FoldCase(e.path), Planned{path, e.path, {e.state.size, 0}})
                 .second)
            return notStarted(Quoted(path) + " is in the game folder twice, in different letter "
                                             "case. Remove the one that is not the game's.");
        total += e.state.size;
    }
    if (game101or100.empty())
        return notStarted("The game folder " + Quoted(gameData_) + " holds no files.");
    bool cancelled = false;
    TakeProgress progress{false, 0, total};
    const auto stillGoing = [&] { return !(cancelled = cancelled || (going && !going(progress))); };
    const auto sum = [&](Planned& file) -> std::optional<std::string> {
        const auto checksum = files_.Checksum(file.from, stillGoing);
        if (cancelled)
            return kCancelled;
        if (!checksum)
            return Quoted(file.from) + " cannot be read: another program may hold it. Close "
                                       "the game, then take again.";
        file.sum.checksum = *checksum;
        return std::nullopt;
    };

    // The other version's folder as it is, when it holds game files.
    std::map<std::string, Planned> kept; // folded name -> file of the other version
    const std::string otherFolder = Store() + "\\" + std::to_string(other);
    const bool otherThere = (other == 100 ? before.v100 : before.v101).files > 0;
    const auto otherFiles = otherThere ? files_.List(otherFolder) : std::nullopt;
    if (otherFiles)
        for (const FileEntry& e : *otherFiles) {
            if (e.state.link)
                return notStarted("The patch folder holds a link, " +
                                  Quoted(otherFolder + "\\" + e.path) +
                                  ". Quorin copies no links: put the files themselves there.");
            if (!e.state.folder)
                kept[FoldCase(e.path)] = {otherFolder + "\\" + e.path, e.path, {e.state.size, 0}};
        }
    for (auto* files : {&game101or100, &kept})
        for (auto& [key, file] : *files) {
            progress.total += files == &kept ? file.sum.size : 0;
            if (auto problem = sum(file))
                return {cancelled ? TakeOutcome::Cancelled : TakeOutcome::NotStarted, *problem};
            progress.done += file.sum.size;
        }
    std::map<std::string, StoreRecord::Sum> shared;
    for (const StoreRecord::File& f : old.files)
        if (!f.version)
            shared[FoldCase(f.name)] = f.sum;

    StoreRecord record;
    record.taken = {version};
    if (otherThere && std::count(old.taken.begin(), old.taken.end(), other))
        record.taken.insert(record.taken.begin(), other);
    std::vector<Planned> ours;
    for (auto& [key, file] : game101or100) {
        const auto theirs = kept.find(key);
        const bool always = version == 101 && key == FoldCase(kOnly101Name);
        if (otherThere && !always && theirs != kept.end()) {
            if (theirs->second.sum == file.sum) { // the same in both: in neither folder
                record.files.push_back({0, file.to, file.sum});
                kept.erase(theirs);
                continue;
            }
        } else if (otherThere && !always && shared.contains(key)) {
            if (shared[key] == file.sum) {
                record.files.push_back({0, file.to, file.sum});
                continue;
            }
            return notStarted("The store holds no " + VersionName(other) + " copy of " +
                              Quoted(file.to) +
                              " (the two versions had it the same when they "
                              "were taken), and this game's copy differs. Take " +
                              VersionName(other) + " again first.");
        }
        ours.push_back(file);
    }
    for (const Planned& file : ours)
        record.files.push_back({version, file.to, file.sum});
    for (const auto& [key, file] : kept)
        if (!IsStoreNote(file.to))
            record.files.push_back({other, file.to, file.sum});
    if (otherThere) {
        // Files the update added: in the 1.0.1 folder with nothing of that
        // name in the 1.0.0 one.
        std::set<std::string> in100;
        for (const StoreRecord::File& f : record.files)
            if (f.version == 100)
                in100.insert(FoldCase(f.name));
        for (const StoreRecord::File& f : record.files)
            if (f.version == 101 && !in100.contains(FoldCase(f.name)) &&
                !EqualsNoCase(f.name, kOnly101Name))
                record.only101.push_back(f.name);
    }

    // The new store, beside the old one.
    const auto failed = [&](std::string told) {
        RemoveTree(Taking());
        return TakeResult{cancelled ? TakeOutcome::Cancelled : TakeOutcome::Failed,
                          cancelled ? std::string(kCancelled)
                                    : told + " The patch store is as it was."};
    };
    std::set<std::string> made;
    const auto folderFor = [&](const std::string& path) -> FileResult {
        std::vector<std::string> needed;
        for (std::string at = Parent(path); at.size() > Taking().size() && !made.contains(at);
             at = Parent(at))
            needed.push_back(at);
        for (auto it = needed.rbegin(); it != needed.rend(); ++it) {
            if (const FileResult rc = files_.MakeFolder(*it); rc != kFileOk)
                return rc;
            made.insert(*it);
        }
        return kFileOk;
    };
    if (const FileResult rc = files_.MakeFolder(Taking()); rc != kFileOk)
        return failed(Cause(Taking(), rc));
    // The copies: this version's, then what the other keeps, then
    // whatever else the store holds beside the two.
    std::vector<Planned> copies;
    for (const Planned& file : ours)
        copies.push_back({file.from, std::to_string(version) + "\\" + file.to, file.sum});
    for (const auto& [key, file] : kept)
        copies.push_back({file.from, std::to_string(other) + "\\" + file.to, file.sum});
    if (const auto rest = files_.List(Store()))
        for (const FileEntry& e : *rest) {
            const std::string top = FoldCase(e.path.substr(0, e.path.find('\\')));
            if (top == "100" || top == "101" || top == FoldCase(kStoreRecordName))
                continue;
            if (e.state.link)
                return failed("The patch store holds a link, " + Quoted(Store() + "\\" + e.path) +
                              ". Quorin copies no links.");
            if (e.state.folder) {
                if (const FileResult rc = folderFor(Taking() + "\\" + e.path + "\\x");
                    rc != kFileOk)
                    return failed(Cause(Taking() + "\\" + e.path, rc));
            } else {
                copies.push_back({Store() + "\\" + e.path, e.path, {e.state.size, 0}});
            }
        }
    for (const std::string folder : {"100", "101\\base"}) // the switch needs them to exist
        if (const FileResult rc = folderFor(Taking() + "\\" + folder + "\\x"); rc != kFileOk)
            return failed(Cause(Taking() + "\\" + folder, rc));
    progress = {true, 0, 0};
    for (const Planned& file : copies)
        progress.total += file.sum.size;
    for (const Planned& file : copies) {
        const std::string to = Taking() + "\\" + file.to;
        if (const FileResult rc = folderFor(to); rc != kFileOk)
            return failed(Cause(to, rc));
        const std::uint64_t start = progress.done;
        const FileResult rc = files_.CopyInto(file.from, to, [&](std::uint64_t bytes) {
            progress.done = start + bytes;
            return stillGoing();
        });
        if (cancelled || rc != kFileOk)
            return failed(Cause(to, rc));
        progress.done = start + file.sum.size;
        // Checked against what was read before: a copy that is not whole, or
        // a game file changed meanwhile, stops the take.
        if (file.sum.checksum) { // not for what the store holds beside the versions
            const auto copied = files_.Checksum(to, stillGoing);
            if (!cancelled && copied != file.sum.checksum)
                return failed(Quoted(file.from) + " did not arrive whole in " + Quoted(to) +
                              " (its checksum differs). Close the game, then take again.");
        }
        if (cancelled)
            return failed({});
    }
    if (!stillGoing())
        return failed({});
    // The record goes last: a new store with a record is a finished one.
    const std::string recordPath = Taking() + "\\" + kStoreRecordName;
    if (const FileResult rc = files_.WriteText(recordPath, FormatStoreRecord(record));
        rc != kFileOk)
        return failed(Cause(recordPath, rc));

    // Into place: two renames, which Recover finishes if they are stopped.
    const bool storeThere = files_.Stat(Store()).exists;
    if (storeThere)
        if (const FileResult rc = files_.Rename(Store(), Replaced()); rc != kFileOk)
            return failed(Cause(Store(), rc));
    if (const FileResult rc = files_.Rename(Taking(), Store()); rc != kFileOk) {
        if (storeThere)
            files_.Rename(Replaced(), Store());
        return failed(Cause(Store(), rc));
    }
    RemoveTree(Replaced());
    std::size_t count = 0;
    for (const StoreRecord::File& f : record.files)
        count += f.version == version;
    return {TakeOutcome::Taken,
            "The game's " + VersionName(version) +
                " files are in the store: " + std::to_string(count) + " file(s)" +
                (otherThere ? ", those that differ from " + VersionName(other) : std::string()) +
                "."};
}

} // namespace quorin
