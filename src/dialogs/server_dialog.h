// The server settings dialog's behaviour, apart from its window: the one
// TextChanged flag, the lost-focus copies, OK and Cancel.
#pragma once

#include <optional>
#include <string>

#include "common/message_box.h"
#include "common/text.h"
#include "console/form1.h"

namespace quorin {

// The boxes lose their leading and trailing spaces; tabs and the like stay.
inline constexpr std::string_view kSpace = " ";

class FrmServer {
  public:
    // The boxes start with the address shown in the main window (empty
    // before there is one), so that a rejected address can be mended.
    FrmServer(ServerAddressRefs address, IMessageBox& box, IProcessControl& process)
        : address_(address), box_(box), process_(process), txtIP_(Trim(address.lblIP, kSpace)),
          txtPort_(Trim(address.lblPort, kSpace)) {}

    enum class Box { IP, Port };
    const std::string& Text(Box which) const { return which == Box::IP ? txtIP_ : txtPort_; }
    void Text_Change(Box which, std::string text);
    void Text_LostFocus(Box which);
    void OKButton_Click();
    void CancelButton_Click();
    // The close box: the box that had the focus keeps what was typed in it;
    // then, with an address and a port given, it closes as OK does, and
    // otherwise as Cancel does.
    void CloseBox_Click(std::optional<Box> focused);

    bool Closed() const { return closed_; }
    bool Ended() const { return ended_; }
    bool TextChanged() const { return textChanged_; }

  private:
    ServerAddressRefs address_;
    IMessageBox& box_;
    IProcessControl& process_;
    std::string txtIP_;
    std::string txtPort_;
    bool textChanged_ = false;
    bool closed_ = false;
    bool ended_ = false;
};

} // namespace quorin
