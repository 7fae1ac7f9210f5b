// The game folder's files through the Windows shell: the switch's copies
// (SHFileOperationA, then checked on disk), the deletion, the client's start
// and the wait for its end (ShellExecuteExA).
#pragma once

#include "common/win32/win.h"
#include "console/game_switch.h"

namespace quorin::win32 {

class GameFiles : public IGameFiles {
  public:
    // `toolFolder` empty: the folder of the running executable.
    explicit GameFiles(std::string toolFolder = {}) : toolFolder_(std::move(toolFolder)) {}
    // The window that owns whatever the shell shows.
    void SetOwner(HWND owner) { owner_ = owner; }

    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool CopyFiles(const CopyStep& step) override;
    void StartAndWait(const LaunchRequest& request) override;
    std::string ToolFolder() override;

  private:
    HWND owner_ = nullptr;
    std::string toolFolder_;
};

// True when every file under `sourceFolder` stands under `destination` with
// the same size and last-write time; false for a missing source folder.
bool FilesInPlace(const std::string& sourceFolder, const std::string& destination);

} // namespace quorin::win32
