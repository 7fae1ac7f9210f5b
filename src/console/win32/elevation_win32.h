// Administrator rights only for the switch: whether Quorin has what it needs
// to write the marker and the game folder, the elevated copy of itself it
// starts when it has not, and that copy's own side.
#pragma once

#include <string>

#include "common/win32/win.h"
#include "console/transaction.h"

namespace quorin::win32 {

// Posted by the elevated copy to the window: the job's progress (wParam, in
// percent). Its result comes as WM_COPYDATA tagged kReportTag.
inline constexpr UINT kMsgJobProgress = WM_APP + 3;
inline constexpr ULONG_PTR kReportTag = 0x51524F52; // "QROR"

class Elevation : public IElevation {
  public:
    // The window the elevated copy reports to.
    void SetWindow(HWND window) { window_ = window; }
    // True as well when QUORIN_DELEGATE=1 is set, so that the elevated path
    // can be taken where every program has the rights (under Wine).
    bool Needed(const std::string& gameData) override;
    long Run(const Transaction& transaction) override;

  private:
    HWND window_ = nullptr;
};

// The elevated copy: runs the transaction `arguments` names (the words after
// the program's name), reports to the window they name, and returns the
// process's exit code. Refuses (doing nothing) a command line that is not
// exactly one of ours, or a window that is not a Quorin of this same file.
int RunElevatedTransaction(const std::string& arguments);

} // namespace quorin::win32
