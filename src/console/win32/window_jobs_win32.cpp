// The switch's job on a thread of its own.
#include "console/win32/window_jobs_win32.h"

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

} // namespace quorin::win32
