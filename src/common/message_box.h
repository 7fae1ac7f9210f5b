// The one way the tool talks to the player in a box: text, caption, style.
#pragma once

#include <string>

namespace quorin {

// The application's title, shown by boxes that have no caption of their own.
inline constexpr char kAppTitle[] = "Quorin";

// Box styles, as Windows numbers them.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconCritical = 0x10;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;

class IMessageBox {
  public:
    virtual ~IMessageBox() = default;
    // Shows a modal box; an empty caption shows the application's title.
    virtual void Show(const std::string& text, const std::string& caption, unsigned style) = 0;
    // The same box with Yes and No (`style` names the icon); true for Yes.
    virtual bool Ask(const std::string& text, const std::string& caption, unsigned style) = 0;
};

} // namespace quorin
