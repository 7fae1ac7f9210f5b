#include "common/win32/link_label.h"

#include "common/win32/system_dll.h"

#include <commctrl.h>

#include "common/win32/controls.h"

namespace quorin::win32 {

namespace {

bool IsPressKey(WPARAM key) {
    return key == VK_RETURN || key == VK_SPACE;
}

LRESULT CALLBACK LinkProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
    switch (message) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        return TRUE;
    case WM_GETDLGCODE: {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        const LRESULT code = DefSubclass(label, message, wParam, lParam);
        return key && key->message == WM_KEYDOWN && IsPressKey(key->wParam)
                   ? code | DLGC_WANTMESSAGE
                   : code;
    }
    case WM_KEYDOWN:
        if (!IsPressKey(wParam))
            break;
        ::SendMessageA(::GetParent(label), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(label), STN_CLICKED),
                       reinterpret_cast<LPARAM>(label));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(label, nullptr, TRUE);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(label, &paint);
        RECT box{};
        ::GetClientRect(label, &box);
        ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::IsWindowEnabled(label) ? kLinkBlue : ::GetSysColor(COLOR_GRAYTEXT));
        const std::string text = WindowText(label);
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
                    DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        if (::GetFocus() == label)
            ::DrawFocusRect(dc, &box);
        ::SelectObject(dc, old);
        ::EndPaint(label, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefSubclass(label, message, wParam, lParam);
}

} // namespace

void MakeLinkLabel(HWND label) {
    Subclass(label, LinkProc, 1, 0);
    ::SetWindowLongA(label, GWL_STYLE, ::GetWindowLongA(label, GWL_STYLE) | WS_TABSTOP);
}

bool TakesKey(const MSG& msg) {
    return msg.message == WM_KEYDOWN &&
           (::SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
            DLGC_WANTMESSAGE);
}

} // namespace quorin::win32
