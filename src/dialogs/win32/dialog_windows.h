// The server settings dialog and the About box as real windows.
#pragma once

#include "common/win32/tool_dialog.h"
#include "dialogs/server_dialog.h"

namespace quorin::win32 {

class ServerDialogWindow : public IServerDialog {
  public:
    ServerDialogWindow(IMessageBox& box, IProcessControl& process) : box_(box), process_(process) {}
    bool ShowModal(ServerAddressRefs address) override;

  private:
    IMessageBox& box_;
    IProcessControl& process_;
};

// Opens the web page with the desktop's handler; ShellExecuteA's result.
INT_PTR OpenDocument(const char* file, const char* folder, const char* parameters);

class AboutBox {
  public:
    // Shows a fresh About box; the main window takes no input until it closes.
    void ShowModal(HWND mainWindow);
};

} // namespace quorin::win32
