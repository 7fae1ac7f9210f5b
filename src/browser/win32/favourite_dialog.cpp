#include "browser/win32/favourite_dialog.h"

#include "console/command_line.h"

namespace quorin::win32 {
namespace {

constexpr ControlDesign kControls[] = {
    {kIdFavouriteText, "txtAddress", ControlKind::Edit, "", 120, 120, 4560, 330},
    {kIdFavouriteWhy, "lblWhy", ControlKind::Label, "The server's address: a.b.c.d or a.b.c.d:port",
     120, 540, 4560, 420},
    {IDOK, "cmdOK", ControlKind::Button, "OK", 2160, 1080, 1200, 360},
    {IDCANCEL, "cmdCancel", ControlKind::Button, "Cancel", 3480, 1080, 1200, 360},
};

} // namespace

std::optional<ServerAddress> FavouriteDialog::Run(HWND owner) {
    address_.reset();
    RunModal(kFavouriteCaption, 4800, 1560, kControls, owner);
    return address_;
}

void FavouriteDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return;
    if (id == IDCANCEL) {
        Close();
    } else if (id == IDOK) {
        const std::string typed = WindowText(Control(kIdFavouriteText));
        const auto address = ParseAddressText(typed, kDefaultGamePort);
        if (!address || !CanBeGameServer(*address)) {
            ::SetWindowTextA(Control(kIdFavouriteWhy),
                             ("\"" + typed +
                              "\" is no server's address: type a.b.c.d or "
                              "a.b.c.d:port.")
                                 .c_str());
            return;
        }
        address_ = address;
        Close();
    }
}

} // namespace quorin::win32
