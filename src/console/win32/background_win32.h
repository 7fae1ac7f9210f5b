// The switch's job on a thread of its own and the game's start, each telling
// the main window with one posted message when it has ended, and the
// program's one message loop, which also waits for the game.
#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include "common/win32/system_dll.h"
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

// Starts the game; the message loop waits for its end.
class GameLauncher : public ILauncher {
  public:
    // `ended` runs on the message loop's thread when the game has ended; no
    // window message tells it, so that no other program can fake its end.
    // `window` owns any prompt the shell shows.
    void SetEnded(HWND window, std::function<void()> ended) {
        window_ = window, ended_ = std::move(ended);
    }
    std::unique_ptr<IRunningGame> Start(const LaunchRequest& request) override;
    // The running game's process while its end is still to be told; null
    // when none runs.
    HANDLE Watched() const { return watched_; }
    // The game has ended: told once.
    void Ended();

  private:
    friend class RunningGame;

    HWND window_ = nullptr;
    std::function<void()> ended_;
    HANDLE watched_ = nullptr;
    std::optional<ComApartment> com_;
};

// The program's one message loop: the thread's messages, each offered to
// `preTranslate` first (true: taken), and the running game's process.
class MessageLoop {
  public:
    MessageLoop(GameLauncher& launcher, std::function<bool(MSG&)> preTranslate)
        : launcher_(launcher), preTranslate_(std::move(preTranslate)) {}
    // Until WM_QUIT; its exit code.
    int Run();
    // Until `done` holds (true) or `milliseconds` have passed (false), for
    // whoever drives the program to a point (the window's tests); a WM_QUIT
    // ends it too, and is posted again for the loop outside.
    bool RunUntil(const std::function<bool()>& done, DWORD milliseconds);

  private:
    // Handles the messages there are, then waits at most `milliseconds` for
    // another or for the game's end; false at WM_QUIT, its code in `quit`.
    bool Step(DWORD milliseconds, int& quit);

    GameLauncher& launcher_;
    std::function<bool(MSG&)> preTranslate_;
};

} // namespace quorin::win32
