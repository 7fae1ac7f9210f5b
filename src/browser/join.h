// Joining a server of the list in one step: the main window's workflow,
// started for that server, is taken on to the game. The same version is
// launched at once; another is asked about once, then switched exactly as
// Patch switches, then launched. The workflow's own boxes, checks, journal,
// lock, rights and progress are all its own: this only clicks for the player.
#pragma once

#include "common/message_box.h"
#include "console/form1.h"

namespace quorin {

class JoinDriver {
  public:
    JoinDriver(Form1& form, IMessageBox& box) : form_(form), box_(box) {}

    // One look at the workflow, on the window's tick; false once there is
    // nothing more to do (the game started, the player said no, or the
    // window shows why the server cannot be joined). Not to be called again
    // while its own question is open.
    bool Step();

  private:
    Form1& form_;
    IMessageBox& box_;
    bool switching_ = false;
    bool done_ = false;
};

// "This server plays 1.0.1; the game is 1.0.0. Switch and join?"
std::string SwitchQuestion(std::string_view serverVersion, std::string_view gameVersion);

} // namespace quorin
