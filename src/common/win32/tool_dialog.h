// A small modal dialog of the tool: a system dialog box with a tool window's
// fixed border, built from its design table at the DPI, centred on the
// screen (these dialogs have no owner), in the dialog box's own modal loop
// until it closes.
#pragma once

#include <span>

#include "common/win32/controls.h"

namespace quorin::win32 {

class ToolDialog : public ControlHost {
  public:
    virtual ~ToolDialog() = default;

    // Shows the dialog and returns when it has closed. `disabled`, when
    // given, takes no input meanwhile.
    void RunModal(const char* caption, int clientWidth, int clientHeight,
                  std::span<const ControlDesign> controls, HWND disabled = nullptr);
    HWND Handle() const { return hwnd_; }

  protected:
    virtual void OnInit() {}
    virtual void OnCommand(int id, int code) = 0;
    virtual void OnClose() { Close(); }
    // The colour of a label's text.
    virtual COLORREF LabelTextColour(HWND) { return RGB(0, 0, 0); }
    void Close();

  private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the controls and places the dialog, as it starts.
    void Build(HWND hwnd);

    struct Layout {
        const char* caption = "";
        int width = 0;
        int height = 0;
        std::span<const ControlDesign> controls;
    } layout_;
    HWND hwnd_ = nullptr;
    FontSet fonts_;
};

} // namespace quorin::win32
