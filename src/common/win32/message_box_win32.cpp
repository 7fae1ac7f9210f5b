#include "common/win32/message_box_win32.h"

#include "common/win32/wide_text.h"
#include "common/win32/win.h"

namespace quorin::win32 {

static_assert(kMbOk == MB_OK && kMbYesNo == MB_YESNO && kMbIconCritical == MB_ICONERROR &&
              kMbIconExclamation == MB_ICONEXCLAMATION && kMbIconInformation == MB_ICONINFORMATION);

void Win32MessageBox::Show(const std::string& text, const std::string& caption, unsigned style) {
    Open(text, caption, style);
}

bool Win32MessageBox::Ask(const std::string& text, const std::string& caption, unsigned style) {
    return Open(text, caption, style | MB_YESNO) == IDYES;
}

int Win32MessageBox::Open(const std::string& text, const std::string& caption, unsigned style) {
    const std::string& title = caption.empty() ? std::string(kAppTitle) : caption;
    HWND owner =
        ::GetActiveWindow(); // the open dialog, if any: null when another program is active
    if (!owner || !::IsWindowEnabled(owner))
        owner = owner_;
    // The texts are Quorin's own, and the paths in them UTF-8.
    return ::MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), style);
}

} // namespace quorin::win32
