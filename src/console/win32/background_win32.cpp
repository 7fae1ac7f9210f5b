#include "console/win32/background_win32.h"

#include <shellapi.h>

#include "common/win32/system_dll.h"

namespace quorin::win32 {

bool WindowJobs::Start(std::function<void()> work) {
    if (thread_)
        return false;
    work_ = std::move(work);
    thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

DWORD WINAPI WindowJobs::Run(void* self) {
    auto* jobs = static_cast<WindowJobs*>(self);
    jobs->work_();
    ::PostMessageA(jobs->window_, jobs->message_, 0, 0);
    return 0;
}

void WindowJobs::Wait() {
    if (!thread_)
        return;
    ::WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    work_ = nullptr;
}

// The running game, watched by the system's thread pool: its end posts one
// message to the window. Let go of, it stops watching (waiting for a
// callback under way) before the process handle closes.
class RunningGame : public IHold {
  public:
    RunningGame(UniqueKernelHandle process, HWND window, UINT message)
        : process_(std::move(process)), window_(window), message_(message) {
        if (!::RegisterWaitForSingleObject(&wait_, process_.Get(), Ended, this, INFINITE,
                                           WT_EXECUTEONLYONCE)) {
            wait_ = nullptr;
            Ended(this, FALSE); // cannot be watched: the window is not kept waiting
        }
    }
    ~RunningGame() override {
        if (wait_)
            ::UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    }

  private:
    static void CALLBACK Ended(void* self, BOOLEAN) {
        auto* game = static_cast<RunningGame*>(self);
        ::PostMessageA(game->window_, game->message_, 0, 0);
    }

    UniqueKernelHandle process_;
    HWND window_;
    UINT message_;
    HANDLE wait_ = nullptr;
};

std::unique_ptr<IHold> GameLauncher::Start(const LaunchRequest& request) {
    // Quorin runs with the player's own rights, and so does the game.
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info; // 60 on 32-bit Windows, larger on 64-bit
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = window_;
    info.lpVerb = request.verb.c_str();
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.c_str();
    info.lpDirectory = request.directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    // A failed start leaves hProcess null: nothing to wait for.
    if (const auto execute = Shell32().Find<decltype(::ShellExecuteExA)>("ShellExecuteExA"))
        execute(&info);
    UniqueKernelHandle process(info.hProcess);
    if (!process)
        return nullptr;
    return std::make_unique<RunningGame>(std::move(process), window_, message_);
}

} // namespace quorin::win32
