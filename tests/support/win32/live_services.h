// The real services the Wine tests of the main window's workflow stand on:
// the registry's 32-bit view, Winsock, ole32 and the file system, in the
// shared rig that records boxes and the end of the process.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "install/win32/game_files_win32.h"
#include "net/win32/winsock_api.h"
#include "tests/support/form1_rig.h"

namespace quorin::test {

class LiveServicesTest : public ::testing::Test {
  protected:
    void TearDown() override {
        rig_.Stop();
        backend_->DeleteKeyTree(kGameBaseKey);
    }

    std::unique_ptr<RegistryBackend> backend_ = MakeRegistryBackend();
    win32::WinsockApi sockets_;
    win32::Ole32GuidText guids_;
    win32::GameFiles files_;
    Form1Rig rig_{*backend_, sockets_, guids_, files_};
    RecordingBox& box_ = rig_.box;
};

} // namespace quorin::test
