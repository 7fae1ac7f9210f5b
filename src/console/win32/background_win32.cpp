#include "console/win32/background_win32.h"

#include <shellapi.h>

#include <vector>

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

namespace {

// Elevated, on Windows. Wine calls every process elevated but has no
// VirtualStore to keep apart, so there the game starts as it always did.
bool RunsElevated() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (ntdll && ::GetProcAddress(ntdll, "wine_get_version"))
        return false;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const UniqueKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// The game started as a child of the shell's process, and so with the
// player's own unelevated rights: it then sees the settings that Windows
// keeps for it in the player's VirtualStore, as when it is started from the
// Start menu. Null when the shell cannot be the parent.
UniqueKernelHandle StartAsShellChild(const LaunchRequest& request) {
    DWORD shellId = 0;
    HWND shell = ::GetShellWindow();
    if (!shell || !::GetWindowThreadProcessId(shell, &shellId) ||
        shellId == ::GetCurrentProcessId())
        return {};
    UniqueKernelHandle parent(::OpenProcess(PROCESS_CREATE_PROCESS, FALSE, shellId));
    if (!parent)
        return {};
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<std::uint8_t> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size))
        return {};
    HANDLE parentHandle = parent.Get();
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_SHOWNORMAL;
    startup.lpAttributeList = attributes;
    const std::string path = request.directory + "\\" + request.file;
    std::string command = "\"" + path + "\" " + request.parameters;
    PROCESS_INFORMATION started{};
    const bool ok =
        ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS,
                                    &parentHandle, sizeof parentHandle, nullptr, nullptr) &&
        ::CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE,
                         EXTENDED_STARTUPINFO_PRESENT, nullptr, request.directory.c_str(),
                         &startup.StartupInfo, &started);
    ::DeleteProcThreadAttributeList(attributes);
    if (!ok)
        return {};
    ::CloseHandle(started.hThread);
    return UniqueKernelHandle(started.hProcess);
}

} // namespace

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
    UniqueKernelHandle process;
    if (RunsElevated())
        process = StartAsShellChild(request);
    if (!process) {
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
        process.Reset(info.hProcess);
    }
    if (!process)
        return nullptr;
    return std::make_unique<RunningGame>(std::move(process), window_, message_);
}

} // namespace quorin::win32
