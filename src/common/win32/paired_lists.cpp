#include "common/win32/paired_lists.h"

#include "common/win32/system_dll.h"

#include <commctrl.h>

#include <algorithm>

namespace quorin::win32 {

void PairedLists::Attach(HWND left, HWND right, HWND bar) {
    left_ = left;
    right_ = right;
    bar_ = bar;
    for (HWND list : {left, right})
        Subclass(list, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK PairedLists::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
    auto& pair = *reinterpret_cast<PairedLists*>(self);
    if (message == WM_LBUTTONDOWN || message == WM_KEYDOWN)
        pair.shownValue_.reset(); // a row picked: the bar shows the lists' row again
    const LRESULT result = DefSubclass(list, message, wParam, lParam);
    if (message == WM_MOUSEWHEEL || message == WM_VSCROLL || message == WM_KEYDOWN) {
        const LRESULT top = ::SendMessageA(list, LB_GETTOPINDEX, 0, 0);
        HWND partner = list == pair.left_ ? pair.right_ : pair.left_;
        if (::SendMessageA(partner, LB_GETTOPINDEX, 0, 0) != top)
            ::SendMessageA(partner, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        // The wheel scrolls without selecting: the thumb follows the first
        // row shown, as it would on the lists' own scroll bar.
        if (message == WM_MOUSEWHEEL)
            ::SetScrollPos(pair.bar_, SB_CTL, static_cast<int>(top), TRUE);
    }
    return result;
}

std::optional<int> PairedLists::Scrolled(int code) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(bar_, SB_CTL, &info);
    int value = info.nPos;
    switch (code) {
    case SB_LINEUP:
    case SB_PAGEUP:
        --value;
        break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
        ++value;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        value = info.nTrackPos;
        break;
    case SB_TOP:
        value = info.nMin;
        break;
    case SB_BOTTOM:
        value = info.nMax;
        break;
    default:
        return std::nullopt;
    }
    value = std::clamp(value, 0, info.nMax);
    ::SetScrollPos(bar_, SB_CTL, value, TRUE);
    shownValue_.reset();
    return value;
}

void PairedLists::ShowScroll(int max, int value) {
    int low = 0;
    int high = 0;
    ::GetScrollRange(bar_, SB_CTL, &low, &high);
    if (high != max)
        ::SetScrollRange(bar_, SB_CTL, 0, max, TRUE);
    if (shownValue_ == value)
        return;
    shownValue_ = value;
    if (::GetScrollPos(bar_, SB_CTL) != value)
        ::SetScrollPos(bar_, SB_CTL, value, TRUE);
}

void PairedLists::Select(HWND list, int index) {
    if (static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0)) != index)
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

} // namespace quorin::win32
