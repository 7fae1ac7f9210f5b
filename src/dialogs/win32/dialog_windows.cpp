#include "dialogs/win32/dialog_windows.h"
#include "console/layout.h"

#include <shellapi.h>

#include "common/win32/system_dll.h"
#include "dialogs/about.h"

namespace quorin::win32 {

namespace {

class ServerWindow : public ToolDialog {
  public:
    explicit ServerWindow(FrmServer& form) : form_(form) {}

  protected:
    void OnCommand(int id, int code) override {
        if (filling_)
            return;
        if ((id == kIdTxtIP || id == kIdTxtPort) && (code == EN_CHANGE || code == EN_KILLFOCUS)) {
            const auto box = id == kIdTxtIP ? FrmServer::Box::IP : FrmServer::Box::Port;
            if (code == EN_CHANGE) {
                form_.Text_Change(box, WindowText(Control(id)));
            } else {
                form_.Text_LostFocus(box);
                Fill(); // an address split in two shows in both boxes
            }
        } else if (id == kIdOK) {
            form_.OKButton_Click();
        } else if (id == kIdCancel) {
            form_.CancelButton_Click();
        }
        if (form_.Closed())
            Close();
    }
    void OnInit() override {
        AddTip(kIdTxtIP, "Enter the IP of the server you wish to connect to.");
        AddTip(kIdTxtPort, "Enter the port of the server you wish to connect to.");
        ::SendMessageA(Control(kIdOK), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        Fill();
    }
    // The boxes show what the form holds; that is not the player's typing.
    void Fill() {
        filling_ = true;
        for (const auto& [id, box] :
             {std::pair(kIdTxtIP, FrmServer::Box::IP), {kIdTxtPort, FrmServer::Box::Port}})
            if (WindowText(Control(id)) != form_.Text(box))
                ::SetWindowTextA(Control(id), form_.Text(box).c_str());
        filling_ = false;
    }

    void OnClose() override {
        HWND focus = ::GetFocus();
        form_.CloseBox_Click(focus == Control(kIdTxtIP)     ? std::optional(FrmServer::Box::IP)
                             : focus == Control(kIdTxtPort) ? std::optional(FrmServer::Box::Port)
                                                            : std::nullopt);
        if (form_.Closed())
            Close();
    }

  private:
    void AddTip(int id, const char* text) {
        if (!tooltip_)
            tooltip_ = CreateTooltip(Handle());
        AddTooltip(tooltip_, Control(id), text);
    }

    FrmServer& form_;
    HWND tooltip_ = nullptr;
    bool filling_ = false;
};

class AboutWindow : public ToolDialog {
  protected:
    void OnInit() override {
        SetLabelText(Control(kIdAboutVersion), AboutVersionLine());
        SetLabelText(Control(kIdAboutCredit), kAboutCredit);
        SetLabelText(Control(kIdAboutDate), kAboutReleased);
        SetLabelText(Control(kIdAboutLink), kProjectPage);
        ::SendMessageA(Control(kIdOK), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
    void OnCommand(int id, int code) override {
        if (id == kIdOK)
            Close();
        else if (id == kIdAboutLink && code == STN_CLICKED)
            OpenDocument(kProjectPage, "", ""); // errors and the result are ignored
    }
    COLORREF LabelTextColour(HWND control) override {
        return control == Control(kIdAboutLink) ? kLinkBlue : ToolDialog::LabelTextColour(control);
    }
};

} // namespace

bool ServerDialogWindow::ShowModal(ServerAddressRefs address) {
    FrmServer form(address, box_, process_);
    ServerWindow window(form);
    window.RunModal("Server Settings", kServerClientWidth, kServerClientHeight, kServerControls);
    return !form.Ended();
}

INT_PTR OpenDocument(const char* file, const char* folder, const char* parameters) {
    const ComApartment com; // the desktop's handler may be a shell extension
    const auto open = Shell32().Find<decltype(::ShellExecuteA)>("ShellExecuteA");
    return open ? reinterpret_cast<INT_PTR>(
                      open(::GetDesktopWindow(), "Open", file, parameters, folder, SW_SHOWNORMAL))
                : SE_ERR_NOASSOC;
}

void AboutBox::ShowModal(HWND mainWindow) {
    AboutWindow window;
    window.RunModal("About", kAboutClientWidth, kAboutClientHeight, kAboutControls, mainWindow);
}

} // namespace quorin::win32
