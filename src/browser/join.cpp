#include "browser/join.h"

namespace quorin {
namespace {

std::string_view Bare(std::string_view version) {
    return version.starts_with('v') ? version.substr(1) : version;
}

} // namespace

std::string SwitchQuestion(std::string_view serverVersion, std::string_view gameVersion) {
    return "This server plays " + std::string(Bare(serverVersion)) + "; the game is " +
           std::string(Bare(gameVersion)) + ". Switch and join?";
}

bool JoinDriver::Step() {
    if (done_ || form_.Ended() || form_.Doing() == Activity::GameRunning)
        return done_ = true, false;
    if (form_.Doing() != Activity::Idle)
        return true; // a switch runs: its end is for the workflow to show
    const Form1Controls& c = form_.Controls();
    if (c.cmdLaunchVisible && c.cmdLaunchEnabled) {
        // A click while one of the switch's boxes is open would be lost: the
        // next tick clicks. A launch that fails is not tried again, so the
        // shell's own word on it (or a prompt for rights) comes once.
        if (form_.SwitchBoxOpen())
            return true;
        form_.cmdLaunch_Click();
        return done_ = true, false;
    }
    if (switching_) { // the switch ended: launched above once it succeeded
        const bool failed = c.lblStatus == kPatchFailed || c.lblStatus == kPatchNotUndone;
        return !(done_ = failed);
    }
    if (c.lblPatchMeVisible) {
        if (!box_.Ask(SwitchQuestion(c.lblSVRVersion, c.lblClientVersion), "Join",
                      kMbIconExclamation))
            return done_ = true, false;
        switching_ = true;
        form_.lblPatchMe_Click();
        return true;
    }
    // Statuses that leave nothing to join: the window says which.
    for (const char* end : {kNotResponding, kNotJka, kUnknownVersion, kNoResults})
        if (c.lblStatus == end)
            return done_ = true, false;
    return true; // the server's reply is awaited
}

} // namespace quorin
