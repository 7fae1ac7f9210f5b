#include "console/version_switch.h"

#include <algorithm>

#include "console/switch_texts.h"

namespace quorin {

namespace {

// Last-write times kept by FAT32 are 2 s apart; exFAT and NTFS keep finer ones.
constexpr std::uint64_t kTimeSlack = 2 * 10'000'000ull;

// Tells the share of the planned bytes now in the game folder, each new
// percentage once.
class CopyProgress {
  public:
    CopyProgress(IGameFiles& files, const std::string& gameData, const PreparedSwitch& prepared,
                 const std::function<void(int)>& progress)
        : files_(files), gameData_(gameData), prepared_(prepared), progress_(progress) {}

    void Tell() {
        std::uint64_t done = 0;
        for (const PlannedFile& file : prepared_.planned)
            if (file.size)
                done += std::min(files_.Stat(gameData_ + "\\" + file.relative).size, file.size);
        const int percent = prepared_.bytes ? static_cast<int>(done * 100 / prepared_.bytes) : 100;
        if (percent != shown_ && progress_)
            progress_(shown_ = percent);
    }

  private:
    IGameFiles& files_;
    const std::string& gameData_;
    const PreparedSwitch& prepared_;
    const std::function<void(int)>& progress_;
    int shown_ = -1;
};

// True when a planned file is on disk as it was planned: a folder, or a
// file of its size written at its time.
bool Arrived(const PlannedFile& file, const FileState& state) {
    if (file.folder)
        return state.folder;
    const std::uint64_t apart = state.writeTime > file.writeTime ? state.writeTime - file.writeTime
                                                                 : file.writeTime - state.writeTime;
    return state.exists && state.size == file.size && apart <= kTimeSlack;
}

SwitchResult NotStarted(std::string problem) {
    return {SwitchOutcome::NotStarted, std::move(problem)};
}

} // namespace

std::string VersionSwitch::GameData() const {
    return GameDataFolder(install_.InstallPath());
}

std::string VersionSwitch::Aside(std::size_t index) const {
    return Folder() + "\\" + std::to_string(index);
}

bool VersionSwitch::WriteMarker(std::uint32_t value) const {
    return writeMarker_ ? writeMarker_(value)
                        : install_.WriteMagic(static_cast<std::int32_t>(value));
}

std::string VersionSwitch::FolderProblem() {
    if (std::string problem = InstallPathProblem(install_.InstallPath()); !problem.empty())
        return problem;
    const FileState folder = files_.Stat(GameData());
    if (folder.link)
        return LinkText(GameData());
    if (!folder.folder)
        return GameDataMissingText(GameData());
    return {};
}

std::string VersionSwitch::Check(const SwitchPlan& plan) {
    if (std::string problem = FolderProblem(); !problem.empty())
        return problem;
    PreparedSwitch prepared;
    return PrepareSwitch(files_, GameData(), plan, prepared);
}

SwitchResult VersionSwitch::Run(const SwitchPlan& plan, const std::function<void(int)>& progress) {
    if (std::string problem = FolderProblem(); !problem.empty())
        return NotStarted(problem);
    const std::unique_ptr<ISwitchLock> lock = files_.LockSwitch(GameData());
    if (!lock)
        return NotStarted(kAnotherSwitching);
    // An earlier switch's journal is dealt with first; one that cannot be
    // read or put back, or a folder of that name Quorin did not make (a
    // link, a file), stops this one.
    if (const RecoverResult earlier = RecoverLocked();
        earlier.leftover == Leftover::Unreadable || earlier.leftover == Leftover::RollbackFailed)
        return NotStarted(earlier.message);
    const bool folderThere = files_.Stat(Folder()).exists;
    PreparedSwitch prepared;
    if (std::string problem = PrepareSwitch(files_, GameData(), plan, prepared); !problem.empty())
        return NotStarted(problem);
    if (std::string problem = AsideTaken(prepared.journal.movedFiles.size()); !problem.empty())
        return NotStarted(problem);

    prepared.journal.marker = install_.SaveMagic();
    std::string problem;
    std::unique_ptr<IJournalFile> journalFile =
        StartJournal(prepared.journal, folderThere, problem);
    if (!journalFile)
        return NotStarted(problem);
    // The marker is written before any game file is touched.
    if (!WriteMarker(static_cast<std::uint32_t>(plan.marker))) {
        journalFile->Remove();
        ClearFolder();
        return {SwitchOutcome::MarkerRefused, {}};
    }
    if (problem = Copy(prepared, progress); !problem.empty())
        return Fail(prepared.journal, journalFile, problem);
    // Removing the journal commits the switch; what was moved aside then goes.
    if (const FileResult rc = journalFile->Remove(); rc != kFileOk)
        return Fail(prepared.journal, journalFile, Cause(Folder() + kJournalName, rc));
    ClearFolder();
    return {SwitchOutcome::Switched, {}};
}

std::string VersionSwitch::AsideTaken(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (files_.Stat(Aside(i)).exists)
            return NotOursAsideText(Aside(i));
    return {};
}

std::unique_ptr<IJournalFile> VersionSwitch::StartJournal(const SwitchJournal& journal,
                                                          bool folderThere, std::string& problem) {
    if (!folderThere)
        if (const FileResult rc = files_.MakeFolder(Folder()); rc != kFileOk) {
            problem = Cause(Folder(), rc);
            return nullptr;
        }
    FileResult error = kFileOk;
    std::unique_ptr<IJournalFile> journalFile =
        files_.CreateJournal(Folder() + kJournalName, FormatJournal(journal), error);
    if (!journalFile) {
        ClearFolder();
        problem = JournalUnwritableText(Folder(), Cause(Folder() + kJournalName, error));
    }
    return journalFile;
}

std::string VersionSwitch::Copy(const PreparedSwitch& prepared,
                                const std::function<void(int)>& progress) {
    std::vector<Move> moves;
    for (std::size_t i = 0; i < prepared.journal.movedFiles.size(); ++i)
        moves.push_back({Full(prepared.journal.movedFiles[i]), Aside(i)});
    // Every replaced file goes aside before the copy writes its place, and
    // nothing but the planned files is copied, each from the handle that
    // was checked.
    std::vector<CopyItem> items;
    for (const PlannedFile& file : prepared.planned)
        items.push_back({Full(file.relative), file.opened.get()});
    const std::string gameData = GameData();
    CopyProgress report(files_, gameData, prepared, progress);
    const CopyResult copy = files_.CopyFiles(gameData, items, moves, [&] { report.Tell(); });
    if (copy.moveError != kFileOk)
        return Cause(moves[copy.movesDone].from, copy.moveError);
    std::string copyFailed;
    if (!copy.copied) {
        if (copy.copyError != kFileOk && !copy.failedPath.empty())
            return Cause(copy.failedPath, copy.copyError);
        // The check below names the file that did not arrive, if it can.
        copyFailed = CopyFailedText(gameData);
    }
    report.Tell();
    for (const PlannedFile& file : prepared.planned)
        if (!Arrived(file, files_.Stat(Full(file.relative))))
            return NotArrivedText(Full(file.relative), file.source);
    return copyFailed;
}

SwitchResult VersionSwitch::Fail(const SwitchJournal& journal,
                                 std::unique_ptr<IJournalFile>& journalFile,
                                 const std::string& problem) {
    std::size_t restored = 0;
    std::size_t removed = 0;
    const std::string left = RollBack(journal, restored, removed);
    if (left.empty()) {
        if (journalFile->Remove() == kFileOk)
            ClearFolder();
        return {SwitchOutcome::RolledBack, problem};
    }
    journalFile.reset(); // closed, for the next try to read
    return {SwitchOutcome::RollbackFailed, problem + " " + left};
}

} // namespace quorin
