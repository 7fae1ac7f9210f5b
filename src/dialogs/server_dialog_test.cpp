// The server settings dialog's rules: one change flag, lost-focus copies,
// trimming, OK without checks, Cancel refusing to leave without an address.
#include <gtest/gtest.h>

#include "dialogs/server_dialog.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

// Steps, one a word: "i=TEXT" or "p=TEXT" types into a box, "li" or "lp"
// leaves it, "ok", "cancel", "xi", "xp", "x" click the close box with the IP
// box, the port box or nothing focused.
// Seen: closed/ended, both pairs of the address ("ip:port lblIP:lblPort"),
// the boxes.
std::string Play(const std::vector<std::string>& steps, const std::string& shownIP = " ",
                 const std::string& shownPort = " ", const std::string& startPort = "") {
    std::string ip, port = startPort, lblIP = shownIP, lblPort = shownPort;
    test::RecordingBox box;
    test::RecordingProcess process;
    FrmServer dialog({ip, port, lblIP, lblPort}, box, process);
    using Box = FrmServer::Box;
    for (const std::string& step : steps) {
        const Box which = step[1] == 'i' || step[0] == 'i' ? Box::IP : Box::Port;
        if (step[1] == '=')
            dialog.Text_Change(which, step.substr(2));
        else if (step[0] == 'l')
            dialog.Text_LostFocus(which);
        else if (step == "ok")
            dialog.OKButton_Click();
        else if (step == "cancel")
            dialog.CancelButton_Click();
        else
            dialog.CloseBox_Click(step == "x" ? std::nullopt : std::optional(which));
    }
    std::string seen = std::string(dialog.Closed() ? "closed" : "open") +
                       (dialog.Ended() ? " ended" : "") + (process.ends ? " exit" : "") + " " + ip +
                       ":" + port + " " + lblIP + ":" + lblPort;
    for (const auto& shown : box.shown)
        seen += " [" + shown.text + "|" + shown.caption + "]";
    return seen;
}

TEST(FrmServer, OkCancelTheCloseBoxAndOneChangeFlag) {
    const struct {
        std::vector<std::string> steps;
        const char* seen;
        std::string shownIP = " ", shownPort = " ", startPort = "";
    } cases[] = {
        {{"i=  192.168.1.20  ", "p= abc", "ok"}, "closed 192.168.1.20:abc 192.168.1.20:abc"},
        {{"ok"}, "closed : :"}, // both empty: closes without a word
        {{"i=1.2.3.4", "li", "cancel"},
         "closed ended exit 1.2.3.4:  :  [Shutting down...|Server IP & Port required!]"},
        {{"i=1.2.3.4", "li", "p=29070", "lp", "cancel"}, "open 1.2.3.4:29070  : "},
        // The port still focused keeps what was typed into it.
        {{"i=1.2.3.4", "li", "p=29071 ", "xp"}, "closed 1.2.3.4:29071 1.2.3.4:29071"},
        {{"i=1.2.3.4", "xi"},
         "closed ended exit 1.2.3.4:  :  [Shutting down...|Server IP & Port required!]"},
        {{"lp"}, "open :stale  : ", " ", " ", "stale"}, // nothing typed: no copy
        // The address shown to mend; its filling is no typing.
        {{"p=5000", "ok"}, "closed 1.2.3.4:5000 1.2.3.4:5000", "1.2.3.4", " 70000"},
        // Reopened with both boxes filled: Cancel gives up without a box.
        {{"lp", "li", "cancel"}, "closed ended exit : 1.2.3.4:7", "1.2.3.4", "7"},
        // An address pasted with its port fills both boxes.
        {{"i=\"127.0.0.1:29071\"", "li", "ok"}, "closed 127.0.0.1:29071 127.0.0.1:29071"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Play(c.steps, c.shownIP, c.shownPort, c.startPort), c.seen)
            << ::testing::PrintToString(c.steps);
}

} // namespace
} // namespace quorin
