// A label that works as a link: the hand over it, the link blue (grey while
// it is disabled), a tab stop with a focus cue when the keyboard reaches it;
// a click, Enter or Space tell its parent, as STN_CLICKED.
#pragma once

#include "common/win32/win.h"

namespace quorin::win32 {

// Makes the label (SS_NOTIFY) `label` a link.
void MakeLinkLabel(HWND label);

// Whether the focused control takes the key of `msg` itself (a link its
// Enter and Space), so that a window's message loop hands it on untouched.
bool TakesKey(const MSG& msg);

} // namespace quorin::win32
