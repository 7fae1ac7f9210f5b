// Time from process start to what the player waits for, measured from a
// parent that starts the program: for Quorin the verdict on its status bar,
// for the reference program its window on screen. Prints the milliseconds
// and the child's peak working set in KB, then ends the child.
//
//   startup_benchmark verdict|window COMMAND-LINE
#include "common/win32/win.h"

#include <psapi.h>

#include <cstdio>
#include <string>

#include "console/layout.h"

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && ::IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool Verdict(HWND main) {
    char text[128] = {};
    HWND bar = ::GetDlgItem(main, quorin::kIdStatusBar);
    ::GetWindowTextA(::GetDlgItem(bar, quorin::kIdStatus), text, sizeof text);
    const std::string status = text;
    return status == "Ready to Launch!" || status == "Needs patched!";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const bool waitVerdict = std::string(argv[1]) == "verdict";
    std::string command = argv[2];
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &child))
        return 1;
    double ms = -1;
    for (int i = 0; i < 20000; ++i) {
        Search search{child.dwProcessId, nullptr};
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found && (!waitVerdict || Verdict(search.found))) {
            ::QueryPerformanceCounter(&now);
            ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                 static_cast<double>(frequency.QuadPart);
            break;
        }
        ::Sleep(1);
    }
    PROCESS_MEMORY_COUNTERS memory{};
    ::GetProcessMemoryInfo(child.hProcess, &memory, sizeof memory);
    ::TerminateProcess(child.hProcess, 0);
    ::WaitForSingleObject(child.hProcess, 5000);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    std::printf("%.1f %zu\n", ms, static_cast<std::size_t>(memory.PeakWorkingSetSize / 1024));
    return ms < 0 ? 1 : 0;
}
