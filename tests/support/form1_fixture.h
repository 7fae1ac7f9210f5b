// The main window's workflow started over a scripted Winsock, the in-memory
// registry and an in-memory game folder, and what the player sees of it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/form1_rig.h"
#include "tests/support/memory_files.h"
#include "tests/support/memory_registry.h"

namespace quorin::test {

inline const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse\n", 19);
inline constexpr char kAddress[] = "+connect 127.0.0.1:29070";

inline std::string Reply(const std::string& version, const std::string& extra = "") {
    return kHeader + "\\sv_hostname\\Test\\version\\" + version + extra + "\n0 0 \"p\"\n";
}

// What a player sees, in one line: status, versions, and which of Launch,
// Patch and "+" are shown (L, P) or enabled (+).
inline std::string Seen(const Form1Controls& c) {
    return c.lblStatus + " | " + c.lblSVRVersion + " " + c.lblClientVersion + " |" +
           (c.cmdLaunchVisible && c.cmdLaunchEnabled ? " L" : "") +
           (c.lblPatchMeVisible ? " P" : "") + (c.cmdExpandEnabled ? " +" : "");
}

class Form1Test : public ::testing::Test {
  protected:
    // A started tool that has received `datagram`.
    Form1Controls& Answered(const std::string& datagram) {
        Form1& f = rig_.form ? *rig_.form : rig_.Start(kAddress);
        sockets_.Arrive(datagram);
        f.Timer1_Timer();
        return f.Controls();
    }
    // A 1.0.0 game, the 1.0.1 files in the store, and a 1.0.1 server's reply.
    Form1Controls& ReadyToSwitch() {
        rig_.Install(kMagic100);
        files_.File("C:\\Tool\\Patch Files\\101\\base\\assets3.pk3", "assets 101");
        files_.File("C:\\Tool\\Patch Files\\101\\jamp.exe", "client 101");
        files_.File("C:\\JA\\GameData\\jamp.exe", "client 100");
        return Answered(Reply("JAmp: v1.0.1.0 x"));
    }

    MemoryRegistry registry_;
    ScriptedSockets sockets_;
    PortableGuidText guids_;
    MemoryFiles files_;
    Form1Rig rig_{registry_, sockets_, guids_, files_};
    RecordingBox& box_ = rig_.box;
};

} // namespace quorin::test
