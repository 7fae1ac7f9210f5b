// The game folder's files through Windows, by their UTF-16 names: the copies
// (renames on a thread of their own, copies on two more, each from a source
// held open since the plan), renames, removals and the journal's file.
#pragma once

#include "common/win32/win.h"
#include "install/game_files.h"

namespace quorin::win32 {

// The running program's own file.
std::string ProgramPath();
// The system's numbers in the switch's own terms.
FileResult FileResultOf(DWORD error);
// What a directory entry says of a file or folder.
FileState StateOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& written);
// What the system says of the file or folder at `path` (not what a link
// names); none when it is missing or cannot be asked.
FileState StatePath(const std::string& path);
// Every file and folder below `folder`, each named with `prefix` before it;
// a link is listed but never entered.
void ListInto(const std::string& folder, const std::string& prefix, std::vector<FileEntry>& out);
// The file version that the version resource of `path` gives ("1.0.1.0"); empty
// when it has none or cannot be read. version.dll is loaded from the system folder.
std::optional<std::string> FileVersionOf(const std::string& path);

class GameFiles : public IGameFiles {
  public:
    // `toolFolder` empty: the folder of the running executable.
    explicit GameFiles(std::string toolFolder = {}) : toolFolder_(std::move(toolFolder)) {}
    bool FileExists(const std::string& path) override;
    FileState Stat(const std::string& path) override;
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override;
    std::optional<std::uint64_t> FreeBytes(const std::string& folder) override;
    FileResult Rename(const std::string& from, const std::string& to) override;
    FileResult RemoveFile(const std::string& path) override;
    FileResult MakeFolder(const std::string& path) override;
    FileResult RemoveFolder(const std::string& path) override;
    std::unique_ptr<IJournalFile> CreateJournal(const std::string& path, const std::string& text,
                                                FileResult& error) override;
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override;
    std::unique_ptr<ISwitchLock> LockSwitch(const std::string& gameData) override;
    std::optional<std::string> FileVersion(const std::string& path) override;
    std::unique_ptr<ISource> OpenSource(const std::string& path, FileResult& error) override;
    CopyResult CopyFiles(const std::string& root, const std::vector<CopyItem>& items,
                         const std::vector<Move>& movesFirst,
                         const std::function<void()>& whileCopying) override;
    std::string ToolFolder() override;

  private:
    std::string toolFolder_;
};

} // namespace quorin::win32
