// Text in the game's colours (its codes ^0 to ^9) for any window: the rows of
// an owner-drawn list box, and a tooltip that shows its text in them.
#pragma once

#include <string>
#include <vector>

#include "common/win32/win.h"

#include <commctrl.h>

#include "console/server_text.h"

namespace quorin::win32 {

// The height of a row of text in `font`.
int RowHeight(HFONT font);

// The row of `list` under `point` (in the list's own coordinates), or -1.
int RowAt(HWND list, LPARAM point);

// Draws a row of an owner-drawn list box (WM_DRAWITEM): `runs` in `font`,
// each in its colour, on the list's ground, or on the button face when the
// row is `setApart`; a selected row tinted, the focused one framed.
void DrawColouredRow(const DRAWITEMSTRUCT& item, const std::vector<TextRun>& runs, HFONT font,
                     bool setApart);

// A tooltip's custom draw (NM_CUSTOMDRAW) that draws `runs` in their colours
// over the tooltip's own plain text; what the notification returns.
LRESULT DrawColouredTip(const NMTTCUSTOMDRAW& draw, const std::vector<TextRun>& runs);

// A tooltip over a list that spells out the row under the pointer, asked for
// anew whenever the pointer reaches another row.
class RowTooltip {
  public:
    RowTooltip(HWND tooltip, HWND list) : tooltip_(tooltip), list_(list) {}
    // The row under the pointer now, which the tooltip then shows; -1 for none.
    int RowUnderPointer();
    // A mouse move over the list: a tooltip for another row is taken down,
    // so that it asks for its text again.
    void PointerMoved(LPARAM point);

  private:
    HWND tooltip_;
    HWND list_;
    int row_ = -1;
};

} // namespace quorin::win32
