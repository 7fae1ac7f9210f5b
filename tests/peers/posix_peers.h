// Real game-server peers for the native tests: a child process that is
// always stopped, a free loopback port, and one UDP question.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace quorin::test {

class ChildProcess {
  public:
    // Starts `argv[0]` (searched on PATH) with HOME set to `home`; output goes
    // to `logPath`.
    ChildProcess(const std::vector<std::string>& argv, const std::string& home,
                 const std::string& logPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Started() const { return pid_ > 0; }
    bool Running();

  private:
    pid_t pid_ = -1;
};

// Sends `request` to 127.0.0.1:`port` and returns the first datagram that
// comes back within `wait`.
std::optional<std::string> AskUdp(int port, std::string_view request,
                                  std::chrono::milliseconds wait);

// Runs a command and returns what it wrote to standard output.
std::optional<std::string> CaptureOutput(const std::vector<std::string>& argv);

bool ProgramExists(const std::string& path);

} // namespace quorin::test
