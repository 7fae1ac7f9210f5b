// The real services the Wine tests of the main window's workflow stand on:
// the registry's 32-bit view, Winsock and ole32; boxes and the end of the
// process are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "console/form1.h"
#include "install/win32/registry_win32.h"
#include "net/win32/winsock_api.h"
#include "tests/support/registry_backend.h"
#include "tests/support/scripted_sockets.h"

namespace quorin::test {

// A settings dialog the player gives up on.
class NoServerDialog : public IServerDialog {
  public:
    bool ShowModal(AddressHomes) override { return false; }
};

class LiveServicesTest : public ::testing::Test {
  protected:
    std::unique_ptr<RegistryBackend> backend_ = MakeRegistryBackend();
    win32::Win32Registry registry_;
    InstallRecord install_{registry_};
    win32::WinsockApi sockets_;
    win32::Ole32GuidText guids_;
    UdpLayer udp_{sockets_, guids_};
    RecordingBox box_;
    RecordingProcess process_;
};

} // namespace quorin::test
