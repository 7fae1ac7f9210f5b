#include "console/win32/background_win32.h"

#include <algorithm>

#include "common/win32/system_dll.h"

namespace quorin::win32 {

bool WindowJobs::Start(std::function<void()> work) {
    if (thread_)
        return false;
    work_ = std::move(work);
    finished_ = false;
    thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

DWORD WINAPI WindowJobs::Run(void* self) {
    auto* jobs = static_cast<WindowJobs*>(self);
    {
        // The job may start the elevated copy through the shell.
        const ComApartment com;
        jobs->work_();
    }
    jobs->finished_ = true; // all that is left is the message

    ::PostMessageA(jobs->window_, jobs->message_, 0, 0);
    return 0;
}

bool WindowJobs::Done() {
    return !thread_ || finished_;
}

void WindowJobs::Wait() {
    if (!thread_)
        return;
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    work_ = nullptr;
}

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

bool MessageLoop::Step(DWORD milliseconds, int& quit) {
    for (MSG msg; ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        if (msg.message == WM_QUIT) {
            quit = static_cast<int>(msg.wParam);
            return false;
        }
        if (!preTranslate_ || !preTranslate_(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    HANDLE game = launcher_.Watched();
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(game ? 1 : 0, &game, milliseconds, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
    // A process that cannot be waited for is not waited for again.
    if (game && (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED))
        launcher_.Ended();
    return true;
}

int MessageLoop::Run() {
    int quit = 0;
    while (Step(INFINITE, quit)) {
    }
    return quit;
}

bool MessageLoop::RunUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (int quit = 0; !done();) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return false;
        // `done` may turn on what no message tells: looked at every 10 ms.
        if (!Step(static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), quit)) {
            ::PostQuitMessage(quit);
            return done();
        }
    }
    return true;
}

} // namespace quorin::win32
