// Boxes shown by user32's MessageBoxA, owned by the tool's active window.
#pragma once

#include "common/message_box.h"

namespace quorin::win32 {

class Win32MessageBox : public IMessageBox {
  public:
    void Show(const std::string& text, const std::string& caption, unsigned style) override;
};

} // namespace quorin::win32
