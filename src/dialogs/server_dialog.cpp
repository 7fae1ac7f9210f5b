#include "dialogs/server_dialog.h"

#include "console/command_line.h"

namespace quorin {

void FrmServer::Text_Change(Box which, std::string text) {
    (which == Box::IP ? txtIP_ : txtPort_) = std::move(text);
    textChanged_ = true; // one flag for both boxes, never cleared
}

void FrmServer::Text_LostFocus(Box which) {
    if (!textChanged_)
        return;
    if (which == Box::IP) {
        // "host:port" typed or pasted into the address box fills both.
        std::string port;
        SplitAddress(txtIP_, port);
        if (!port.empty())
            txtPort_ = address_.serverPort = port;
        address_.serverIP = txtIP_;
    } else {
        address_.serverPort = Trim(txtPort_, kSpace);
    }
}

void FrmServer::OKButton_Click() {
    std::string port;
    SplitAddress(txtIP_, port);
    if (!port.empty())
        txtPort_ = port;
    address_.lblIP = Trim(txtIP_, kSpace);
    address_.lblPort = Trim(txtPort_, kSpace);
    address_.serverIP = Trim(txtIP_, kSpace);
    address_.serverPort = Trim(txtPort_, kSpace);
    closed_ = true;
}

void FrmServer::CancelButton_Click() {
    if (!address_.serverPort.empty() && !address_.serverIP.empty())
        return; // both given: the dialog stays open
    // Reopened with a refused address still in both boxes, Cancel gives up
    // without claiming that they are empty.
    if (Trim(txtIP_, kSpace).empty() || Trim(txtPort_, kSpace).empty())
        box_.Show("Shutting down...", "Server IP & Port required!", kMbOk);
    closed_ = true;
    ended_ = true;
    process_.EndProcess();
}

void FrmServer::CloseBox_Click(std::optional<Box> focused) {
    if (focused)
        Text_LostFocus(*focused);
    if (!address_.serverIP.empty() && !address_.serverPort.empty())
        OKButton_Click();
    else
        CancelButton_Click();
}

} // namespace quorin
