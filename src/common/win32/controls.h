// Child controls built from a window's design table: the twips converted at
// the window's DPI, the fonts of the design, labels that size themselves to
// their text; the tooltips and the label colours every window of the tool
// shares.
#pragma once

#include <map>
#include <string>

#include "common/control_design.h"
#include "common/win32/unique_handle.h"
#include "common/win32/win.h"

namespace quorin::win32 {

// The DPI the window is shown at (96 when the system says nothing).
int WindowDpi(HWND window);

// The blue of the tool's links: the About box's project page, "Patch".
inline constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

// The colours of a label the system draws, answering WM_CTLCOLORSTATIC:
// `text` on the button face. The brush is the one to return.
HBRUSH LabelColours(HDC dc, COLORREF text = RGB(0, 0, 0));

// A tooltip window for the tools of `owner`, destroyed with it.
HWND CreateTooltip(HWND owner);
// Shows `text` over `tool`, a child of the tooltip's owner; with
// LPSTR_TEXTCALLBACKA the owner is asked for the text (TTN_GETDISPINFOA)
// each time.
void AddTooltip(HWND tooltip, HWND tool, const char* text);

// The controls of one window, by their design ids.
class ControlHost {
  public:
    // Null when the window has no control `id`.
    HWND Control(int id) const;

  protected:
    std::map<int, HWND> controls_;
};

// The fonts of one window at one DPI.
class FontSet {
  public:
    void Make(int dpi);
    HFONT Get(Font font) const;

  private:
    std::map<Font, UniqueHfont> fonts_;
};

// Creates the control (hidden where its design says so is the caller's
// business) and sets its font.
HWND CreateControl(HWND parent, const ControlDesign& design, const FontSet& fonts);

// Places the control at its design position and size at `dpi`.
void PlaceControl(HWND control, const ControlDesign& design, int dpi);

// Sizes a label to its current text in its current font, keeping its left
// and top edges.
void FitLabelToText(HWND label);

// Sets a label's text (shown exactly, "&" included) and sizes the label to
// it; false, and nothing done, when the label already shows that text.
bool SetLabelText(HWND label, const std::string& text);

std::string WindowText(HWND window);

// Window classes of the tool, registered once.
ATOM RegisterToolClass(const char* name, WNDPROC proc, HBRUSH background);

} // namespace quorin::win32
