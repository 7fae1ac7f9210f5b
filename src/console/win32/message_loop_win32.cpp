// The program's one message loop, which also waits for the running game.
#include "console/win32/message_loop_win32.h"

#include <algorithm>

namespace quorin::win32 {

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
