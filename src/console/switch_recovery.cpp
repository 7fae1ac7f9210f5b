// The version switch's way back: the roll-back of a failed switch, the
// recovery at the next start of one that a crash or a kill left unfinished,
// and the player's way past a journal Quorin cannot read.
#include "common/keyed_collection.h"
#include "console/switch_texts.h"
#include "console/version_switch.h"

namespace quorin {

bool VersionSwitch::Reachable(const std::string& relative, std::vector<std::string>& problems) {
    const std::string link = LinkOnTheWay(files_, GameData(), relative);
    if (!link.empty())
        problems.push_back(Cause(link, kFileLink));
    return link.empty();
}

void VersionSwitch::RemoveNewFiles(const SwitchJournal& journal, std::vector<std::string>& problems,
                                   std::size_t& removed) {
    for (auto it = journal.newFiles.rbegin(); it != journal.newFiles.rend(); ++it) {
        const FileState state = files_.Stat(Full(*it));
        if (!state.exists || !Reachable(*it, problems))
            continue;
        if (state.folder)
            problems.push_back(NowAFolderText(Full(*it)));
        else if (const FileResult rc = files_.RemoveFile(Full(*it)); rc != kFileOk)
            problems.push_back(Cause(Full(*it), rc));
        else
            ++removed;
    }
}

void VersionSwitch::PutBackMovedFiles(const SwitchJournal& journal,
                                      std::vector<std::string>& problems, std::size_t& restored) {
    for (std::size_t i = 0; i < journal.movedFiles.size(); ++i) {
        const std::string& name = journal.movedFiles[i];
        if (!Reachable(name, problems))
            continue;
        const FileState aside = files_.Stat(Aside(i));
        const FileState placed = files_.Stat(Full(name));
        if (!aside.exists || aside.link || aside.folder) {
            if (!placed.exists) // neither here nor there: say so, and keep the journal
                problems.push_back(NeitherHereNorThereText(Full(name), Folder(), i));
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
            problems.push_back(Cause(Full(name), rc));
    }
}

void VersionSwitch::RemoveNewFolders(const SwitchJournal& journal,
                                     std::vector<std::string>& problems) {
    for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it) {
        const FileState state = files_.Stat(Full(*it));
        if (!state.folder || !Reachable(*it, problems))
            continue;
        // One that now holds files of someone else's stays, with them.
        if (const FileResult rc = files_.RemoveFolder(Full(*it));
            rc != kFileOk && rc != kFileNotEmpty)
            problems.push_back(Cause(Full(*it), rc));
    }
}

std::string VersionSwitch::RollBack(const SwitchJournal& journal, std::size_t& restored,
                                    std::size_t& removed) {
    std::vector<std::string> problems;
    RemoveNewFiles(journal, problems, removed);
    PutBackMovedFiles(journal, problems, restored);
    RemoveNewFolders(journal, problems);
    // An absent marker cannot be made absent again: it reads as 1.0.1.
    if (!(writeMarker_ ? WriteMarker(journal.marker.value_or(kMagic101))
                       : install_.RestoreMagic(journal.marker)))
        problems.push_back(kMarkerNotBack);
    return problems.empty() ? std::string() : NotPutBackText(problems, Folder());
}

void VersionSwitch::ClearFolder() {
    const FileState folder = files_.Stat(Folder());
    if (!folder.folder || folder.link)
        return;
    for (const FileEntry& e : files_.List(Folder()).value_or(std::vector<FileEntry>{}))
        if (!e.state.folder && !e.state.link &&
            (IsAsideName(e.path) || EqualsNoCase(e.path, kJournalName + 1)))
            files_.RemoveFile(Folder() + "\\" + e.path);
    files_.RemoveFolder(Folder()); // only when nothing else is left in it
}

RecoverResult VersionSwitch::Recover() {
    if (!InstallPathProblem(install_.InstallPath()).empty() || !files_.Stat(Folder()).exists)
        return {};
    const std::unique_ptr<ISwitchLock> lock = files_.LockSwitch(GameData());
    if (!lock)
        return {Leftover::Busy, kAnotherSwitching};
    return RecoverLocked();
}

RecoverResult VersionSwitch::RecoverLocked() {
    const auto unreadable = [&](const char* why) {
        return RecoverResult{Leftover::Unreadable, UnreadableText(Folder(), why)};
    };
    const FileState folder = files_.Stat(Folder());
    if (!folder.exists)
        return {};
    if (folder.link || !folder.folder)
        return unreadable(kFolderNotOurs);
    const std::string path = Folder() + kJournalName;
    const FileState state = files_.Stat(path);
    if (!state.exists) {
        // A finished switch's leftovers: what it set aside only goes.
        ClearFolder();
        return {};
    }
    if (state.link || state.folder)
        return unreadable(kJournalNotOurs);
    const auto text = files_.ReadText(path, kJournalLimit);
    if (!text)
        return unreadable(kJournalUnread);
    const auto journal = ParseJournal(*text);
    if (!journal)
        return unreadable(kJournalNotUnderstood);
    std::size_t restored = 0;
    std::size_t removed = 0;
    if (const std::string left = RollBack(*journal, restored, removed); !left.empty())
        return {Leftover::RollbackFailed, UnfinishedText(left)};
    if (const FileResult rc = files_.RemoveFile(path); rc != kFileOk)
        return {Leftover::RollbackFailed, JournalNotRemovedText(Cause(path, rc))};
    ClearFolder();
    return {Leftover::RolledBack, RolledBackText(restored, removed)};
}

std::string VersionSwitch::SetAside() {
    const std::unique_ptr<ISwitchLock> lock = files_.LockSwitch(GameData());
    if (!lock)
        return kAnotherSwitching;
    // A link is not renamed: some systems would move what it points at.
    if (files_.Stat(Folder()).link)
        return SetAsideLinkText(Folder());
    for (int n = 1; n < 100; ++n) {
        const std::string kept = Folder() + " (kept " + std::to_string(n) + ")";
        if (files_.Stat(kept).exists)
            continue;
        if (const FileResult rc = files_.Rename(Folder(), kept); rc != kFileOk)
            return Cause(Folder(), rc);
        return {};
    }
    return TooManyKeptText(Folder());
}

} // namespace quorin
