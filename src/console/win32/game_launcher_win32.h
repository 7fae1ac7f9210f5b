// The game's start with the player's own rights; the message loop waits for
// its end.
#pragma once

#include <functional>
#include <optional>

#include "common/win32/system_dll.h"
#include "common/win32/win.h"
#include "console/background.h"

namespace quorin::win32 {

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

} // namespace quorin::win32
