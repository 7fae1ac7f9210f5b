// Driving the tool's real windows from a test: messages pumped as the
// program's own loop does, and a watcher thread that acts on a modal window
// (a dialog or a message box) while the test's thread sits in its loop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "common/win32/controls.h"
#include "common/win32/unique_handle.h"
#include "common/win32/win.h"

#include <shellapi.h>

namespace quorin::test {

// Waits (10 s at most) for a visible top-level window captioned `title`, then
// runs `act` on it from the watcher's thread.
class WindowWatcher {
  public:
    WindowWatcher(std::string title, std::function<void(HWND)> act)
        : thread_([this, title = std::move(title), act = std::move(act)] {
              for (int i = 0; i < 1000 && !stop_; ++i) {
                  if (HWND found = ::FindWindowA(nullptr, title.c_str());
                      found && ::IsWindowVisible(found))
                      return act(found), void(acted_ = true);
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {}
    ~WindowWatcher() {
        stop_ = true;
        thread_.join();
    }
    bool Acted() const { return acted_; }

  private:
    std::atomic<bool> acted_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Clicks a button of another thread's window without waiting for it.
inline void PostClick(HWND window, int controlId) {
    if (HWND button = ::GetDlgItem(window, controlId))
        ::PostMessageA(button, BM_CLICK, 0, 0);
    else
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
}

// Removes a folder with everything in it.
inline void RemoveTree(const std::string& folder) {
    const std::string from = folder + std::string(2, '\0'); // a list of one entry
    SHFILEOPSTRUCTA remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    ::SHFileOperationA(&remove);
}

// A file of `size` bytes that takes no room until it is copied.
inline bool MakeSparseFile(const std::string& path, std::int64_t size) {
    win32::UniqueFile file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return file && ::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) &&
           ::SetEndOfFile(file.Get());
}

// A process started from `commandLine` in `folder` (this one's when null),
// and its id; an empty handle when it could not be started.
inline std::pair<win32::UniqueKernelHandle, DWORD> StartProcess(std::string commandLine,
                                                                const char* folder = nullptr) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                          &startup, &started))
        return {};
    ::CloseHandle(started.hThread);
    return {win32::UniqueKernelHandle(started.hProcess), started.dwProcessId};
}

// The text of `control` (in any process) once it reads `text`, waited for up
// to 10 s; what it reads then otherwise.
inline std::string WaitForText(HWND control, const std::string& text) {
    for (int i = 0; i < 200 && win32::WindowText(control) != text; ++i)
        ::Sleep(50);
    return win32::WindowText(control);
}

// A visible top-level window of process `pid` captioned `title`, waited for
// up to `timeout`; null when none came.
inline HWND WaitForProcessWindow(DWORD pid, const std::string& title,
                                 std::chrono::milliseconds timeout) {
    for (const auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, nullptr, title.c_str()));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner == pid && ::IsWindowVisible(w))
                return w;
        }
    return nullptr;
}

} // namespace quorin::test
