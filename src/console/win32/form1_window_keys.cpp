// The main window's keyboard: the design's Tab order, Enter for the focused
// push button or else Launch, the Patch link's own keys, access keys.
#include "console/win32/form1_window.h"

#include <algorithm>

#include "common/win32/link_label.h"
#include "console/layout.h"

namespace quorin::win32 {

namespace {

bool IsPushButton(HWND control) {
    return control && (::SendMessageA(control, WM_GETDLGCODE, 0, 0) &
                       (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

} // namespace

HWND Form1Window::DefaultButton() const {
    // The focused push button is the default for the moment, as in any
    // dialog; with none focused, Launch is.
    HWND focus = ::GetFocus();
    return IsPushButton(focus) && ::IsChild(hwnd_.Get(), focus) ? focus : Control(kIdLaunch);
}

void Form1Window::ShowDefault() {
    HWND current = DefaultButton(); // it wears the default frame
    for (int id : {kIdQuery, kIdExpand, kIdAbout, kIdLaunch}) {
        const LONG style = controls_[id] == current ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((::GetWindowLongA(controls_[id], GWL_STYLE) & BS_TYPEMASK) != style)
            ::SendMessageA(controls_[id], BM_SETSTYLE, static_cast<WPARAM>(style), TRUE);
    }
}

bool Form1Window::PreTranslate(MSG& msg) {
    HWND hwnd = hwnd_.Get();
    if (!hwnd || (msg.hwnd != hwnd && !::IsChild(hwnd, msg.hwnd)))
        return false;
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == controls_[kIdValues])
        rowTip_.PointerMoved(msg.lParam);
    if (TakesKey(msg)) { // the Patch link's Enter and Space
        ::DispatchMessageA(&msg);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // Enter presses the focused push button, and otherwise the default:
        // Launch, when it can be pressed.
        HWND target = DefaultButton();
        if (::IsWindowVisible(target) && ::IsWindowEnabled(target))
            ::SendMessageA(target, BM_CLICK, 0, 0);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        MoveFocus(::GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return ::IsDialogMessageA(hwnd, &msg) != FALSE;
}

void Form1Window::MoveFocus(bool back) {
    const int count = static_cast<int>(std::size(kForm1TabOrder));
    const int focused = ::GetDlgCtrlID(::GetFocus());
    int at =
        static_cast<int>(std::find(std::begin(kForm1TabOrder), std::end(kForm1TabOrder), focused) -
                         std::begin(kForm1TabOrder));
    if (at == count)
        at = back ? 0 : count - 1;
    for (int step = 1; step <= count; ++step) {
        HWND next =
            controls_[kForm1TabOrder[((at + (back ? -step : step)) % count + count) % count]];
        if (::IsWindowVisible(next) && ::IsWindowEnabled(next) &&
            (::GetWindowLongA(next, GWL_STYLE) & WS_TABSTOP)) {
            ::SetFocus(next);
            ShowDefault();
            return;
        }
    }
}

} // namespace quorin::win32
