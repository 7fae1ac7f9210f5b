#include "tests/support/win32/window_driver.h"

#include <shellapi.h>

namespace quorin::test {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               const std::function<bool(MSG&)>& preTranslate) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (preTranslate && preTranslate(msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string MessageBoxText(HWND box) {
    HWND text = ::GetDlgItem(box, 0xFFFF); // the message's static control
    char buffer[512] = {};
    ::GetWindowTextA(text ? text : box, buffer, sizeof buffer);
    return buffer;
}

WindowWatcher::WindowWatcher(std::string title, std::function<void(HWND)> act)
    : thread_([this, title = std::move(title), act = std::move(act)] {
          for (int i = 0; i < 1000 && !stop_; ++i) {
              if (HWND found = ::FindWindowA(nullptr, title.c_str());
                  found && ::IsWindowVisible(found)) {
                  act(found);
                  acted_ = true;
                  return;
              }
              std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
      }) {}

WindowWatcher::~WindowWatcher() {
    stop_ = true;
    thread_.join();
}

void PostClick(HWND window, int controlId) {
    if (HWND button = ::GetDlgItem(window, controlId))
        ::PostMessageA(button, BM_CLICK, 0, 0);
    else
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
}

void RemoveTree(const std::string& folder) {
    std::string from = folder + std::string(2, '\0'); // a list of one entry
    SHFILEOPSTRUCTA remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    ::SHFileOperationA(&remove);
}

bool MakeSparseFile(const std::string& path, std::int64_t size) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER end;
    end.QuadPart = size;
    const bool ok = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return ok;
}

namespace {
struct WindowSearch {
    DWORD pid;
    const std::string& title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    if (owner == search->pid && ::IsWindowVisible(hwnd) && search->title == text)
        search->found = hwnd;
    return search->found == nullptr;
}
} // namespace

HWND WaitForProcessWindow(DWORD pid, const std::string& title, std::chrono::milliseconds timeout) {
    WindowSearch search{pid, title};
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!search.found && std::chrono::steady_clock::now() < end) {
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return search.found;
}

} // namespace quorin::test
