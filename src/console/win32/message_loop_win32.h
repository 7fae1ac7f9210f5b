// The program's one message loop, which also waits for the running game.
#pragma once

#include <functional>

#include "common/win32/win.h"
#include "console/win32/game_launcher_win32.h"

namespace quorin::win32 {

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
