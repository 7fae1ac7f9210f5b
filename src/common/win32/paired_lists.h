// Two list boxes side by side that read as one table: whatever moves one
// list's first row shown (the wheel, the keys, its own scroll bar) moves the
// other's to the same row, and a scroll bar of their own beside them, whose
// value is a row of both.
#pragma once

#include <optional>

#include "common/win32/win.h"

namespace quorin::win32 {

class PairedLists {
  public:
    PairedLists() = default;
    // The lists keep a pointer to this object while they live.
    PairedLists(const PairedLists&) = delete;
    PairedLists& operator=(const PairedLists&) = delete;

    // Pairs the lists `left` and `right` and their shared scroll bar `bar`.
    void Attach(HWND left, HWND right, HWND bar);
    HWND Bar() const { return bar_; }
    // The shared bar's new value for its WM_VSCROLL `code` (a small and a
    // large change are both one row), within its range and shown; nothing
    // for a code that moves nothing.
    std::optional<int> Scrolled(int code);
    // Shows `max` and a new `value` on the shared bar. A value shown before
    // is not shown again, so that the thumb stays where the wheel put it,
    // until the player picks a row or the lists are filled anew.
    void ShowScroll(int max, int value);
    // The lists hold new rows: the bar's value is shown again.
    void Refilled() { shownValue_.reset(); }
    // Selects row `index` of `list`; selecting, in code, the row a list
    // already has selected does nothing, so that the two lists settle.
    static void Select(HWND list, int index);

  private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self);

    HWND left_ = nullptr;
    HWND right_ = nullptr;
    HWND bar_ = nullptr;
    std::optional<int> shownValue_;
};

} // namespace quorin::win32
