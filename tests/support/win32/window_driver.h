// Driving the tool's real windows from a test: messages pumped as the
// program's own loop does, and a watcher thread that acts on a modal window
// (a dialog or a message box) while the test's thread sits in its loop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "common/win32/win.h"

namespace quorin::test {

// Dispatches messages (through `preTranslate` first, when given) until
// `done` holds or `timeout` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               const std::function<bool(MSG&)>& preTranslate = {});

// The text of a message box's message, or of a control.
std::string MessageBoxText(HWND box);

class WindowWatcher {
  public:
    // Waits (10 s at most) for a top-level window captioned `title`, then
    // runs `act` on it from the watcher's thread.
    WindowWatcher(std::string title, std::function<void(HWND)> act);
    ~WindowWatcher();
    bool Acted() const { return acted_; }

  private:
    std::atomic<bool> acted_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Clicks a button of another thread's window without waiting for it.
void PostClick(HWND window, int controlId);

// Removes a folder with everything in it.
void RemoveTree(const std::string& folder);

// A file of `size` bytes that takes no room until it is copied.
bool MakeSparseFile(const std::string& path, std::int64_t size);

// A visible top-level window of process `pid` captioned `title`, waited for
// up to `timeout`; null when none came.
HWND WaitForProcessWindow(DWORD pid, const std::string& title, std::chrono::milliseconds timeout);

} // namespace quorin::test
