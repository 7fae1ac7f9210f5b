// Work that runs away from the window's thread: the version switch as one
// job, and the game, whose end the window is told of. The window keeps
// painting meanwhile and takes no input; each ends with one message to the
// window, which then calls Form1::JobFinished or Form1::GameEnded.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/versions.h"

namespace quorin {

struct LaunchRequest {
    std::string verb = "Open";
    std::string file = kClientExecutable;
    std::string parameters;
    std::string directory;
    bool operator==(const LaunchRequest&) const = default;
};

// One job at a time, on a thread of its own.
class IJobs {
  public:
    virtual ~IJobs() = default;
    // Runs `work` on its own thread; false, having run nothing, when no
    // thread could be started or a job still runs.
    virtual bool Start(std::function<void()> work) = 0;
    // Returns once the job's work has returned (at once when none runs):
    // everything it wrote is then the caller's to read.
    virtual void Wait() = 0;
    // True when no job runs or its work has returned, so that Wait returns
    // at once: a job's end is acted on only then, whatever message told it.
    virtual bool Done() = 0;
};

// The game as started by the launcher, watched for as long as this lives.
class IRunningGame {
  public:
    virtual ~IRunningGame() = default;
};

class ILauncher {
  public:
    virtual ~ILauncher() = default;
    // Starts the game with the player's own rights; the result watches it
    // for as long as it lives. Null when nothing could be started.
    virtual std::unique_ptr<IRunningGame> Start(const LaunchRequest& request) = 0;
};

} // namespace quorin
