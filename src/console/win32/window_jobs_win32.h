// The switch's job on a thread of its own, telling the main window with one
// posted message when it has ended.
#pragma once

#include <atomic>
#include <functional>

#include "common/win32/unique_handle.h"
#include "common/win32/win.h"
#include "console/background.h"

namespace quorin::win32 {

class WindowJobs : public IJobs {
  public:
    // Waits for a job still running: its work uses the workflow's objects.
    ~WindowJobs() override { Wait(); }
    // The window told, with `message`, when a job's work has returned.
    void SetWindow(HWND window, UINT message) { window_ = window, message_ = message; }
    bool Start(std::function<void()> work) override;
    void Wait() override;
    bool Done() override;

  private:
    static DWORD WINAPI Run(void* self);

    HWND window_ = nullptr;
    UINT message_ = 0;
    std::function<void()> work_;
    UniqueKernelHandle thread_;
    std::atomic<bool> finished_{false}; // the work has returned; Wait then joins at once
};

} // namespace quorin::win32
