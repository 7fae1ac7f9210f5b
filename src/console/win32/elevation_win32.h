// Administrator rights only for the switch: whether Quorin has what it needs
// to write the marker and the game folder, the elevated copy of itself it
// starts when it has not, and that copy's own side.
#pragma once

#include <string>

#include "common/win32/win.h"
#include "console/patch_transaction.h"

namespace quorin::win32 {

class Elevation : public IElevation {
  public:
    // The window that owns the system's prompt.
    void SetWindow(HWND window) { window_ = window; }
    // True as well when QUORIN_DELEGATE=1 is set (=marker: for the marker
    // alone), so that the elevated path can be taken where every program
    // has the rights (under Wine).
    bool Needed(const std::string& gameData) override;
    bool MarkerNeeded() override;
    // The copy reports into a pipe made here for it alone: one instance,
    // made first by this process, read only once its client is known to be
    // the copy's own process. Nothing else the copy could be sent counts.
    ElevatedRun Run(const Transaction& transaction,
                    const std::function<void(int)>& progress) override;

  private:
    HWND window_ = nullptr;
};

// Names processes by the system's list (NtQuerySystemInformation's
// process-id class, which needs no rights on the process), else by a handle.
class ProcessNames : public IProcessNames {
  public:
    std::optional<std::string> Listed(unsigned long id) override;
    std::optional<std::string> Opened(unsigned long id) override;
};

// The elevated copy: runs the transaction `arguments` names (the words after
// the program's name), reports into the pipe they name, and returns the
// process's exit code. Refuses (doing nothing) a command line that is not
// exactly one of ours, or a pipe whose maker does not run this same file.
int RunElevatedTransaction(const std::string& arguments);

} // namespace quorin::win32
