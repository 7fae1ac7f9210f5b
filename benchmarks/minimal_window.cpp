// The reference for start-up time: the least a Win32 program does to show a
// window, started the same way as Quorin. With "--check" it ends at once,
// saying by its exit code whether the window could be made.
#include <cstring>

#include "common/win32/win.h"

static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "MinimalWindow";
    ::RegisterClassA(&wc);
    HWND hwnd = ::CreateWindowA("MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 360, 128, nullptr, nullptr, instance, nullptr);
    if (std::strcmp(commandLine, "--check") == 0)
        return hwnd ? 0 : 1;
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}
