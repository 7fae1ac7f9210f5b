// The game's start, and the running game that the message loop waits for.
#include "console/win32/game_launcher_win32.h"

#include "common/win32/unique_handle.h"

namespace quorin::win32 {

// The running game, its process watched by the message loop until it is let go.
class RunningGame : public IRunningGame {
  public:
    RunningGame(GameLauncher& launcher, UniqueKernelHandle process)
        : launcher_(launcher), process_(std::move(process)) {
        launcher_.watched_ = process_.Get();
    }
    ~RunningGame() override { launcher_.watched_ = nullptr; }

  private:
    GameLauncher& launcher_;
    UniqueKernelHandle process_;
};

void GameLauncher::Ended() {
    watched_ = nullptr;
    if (ended_)
        ended_();
}

std::unique_ptr<IRunningGame> GameLauncher::Start(const LaunchRequest& request) {
    if (!com_)
        com_.emplace(); // for the shell, on the window's thread, until the launcher goes
    // Quorin runs with the player's own rights, and so does the game.
    UniqueKernelHandle process = ShellStart(request.verb.c_str(), request.file, request.parameters,
                                            request.directory, window_, SW_SHOWNORMAL);
    if (!process) // nothing started: nothing to wait for
        return nullptr;
    return std::make_unique<RunningGame>(*this, std::move(process));
}

} // namespace quorin::win32
