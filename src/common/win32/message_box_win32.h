// Boxes shown by user32's MessageBoxW, owned by the tool's active window, or
// by the main window when the player is in another program.
#pragma once

#include "common/message_box.h"
#include "common/win32/win.h"

namespace quorin::win32 {

class Win32MessageBox : public IMessageBox {
  public:
    void Show(const std::string& text, const std::string& caption, unsigned style) override;
    bool Ask(const std::string& text, const std::string& caption, unsigned style) override;
    void SetOwner(HWND owner) { owner_ = owner; }

  private:
    int Open(const std::string& text, const std::string& caption, unsigned style);

    HWND owner_ = nullptr;
};

} // namespace quorin::win32
