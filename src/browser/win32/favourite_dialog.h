// "Add by address": a favourite typed as a.b.c.d or a.b.c.d:port.
#pragma once

#include <optional>

#include "common/win32/tool_dialog.h"
#include "net/master_list.h"

namespace quorin::win32 {

enum : int { kIdFavouriteText = 301, kIdFavouriteWhy };

inline constexpr char kFavouriteCaption[] = "Add a favourite";

class FavouriteDialog : public ToolDialog {
  public:
    // The address typed, once it is one; nothing for Cancel.
    std::optional<ServerAddress> Run(HWND owner);

  private:
    void OnCommand(int id, int code) override;
    std::optional<ServerAddress> address_;
};

} // namespace quorin::win32
