// The version switch and the game launch as plans: what to write, delete,
// copy and start, from the labels and the installation's folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

struct CopyStep {
    std::string sourcePattern; // "...\*.*"
    std::string destination;   // a folder, ending in "\"
    bool operator==(const CopyStep&) const = default;
};

struct SwitchPlan {
    std::int32_t marker;
    std::optional<std::string> deleteIfPresent;
    std::vector<CopyStep> copies;
};

// Chosen from the client label's text alone: exactly "v1.0.0" goes to 1.0.1,
// anything else to 1.0.0. Paths are joined as given, without normalising.
SwitchPlan PlanSwitch(const std::string& clientVersionText, const std::string& toolFolder,
                      const std::string& installPath);

struct LaunchRequest {
    std::string verb = "Open";
    std::string file = "jamp.exe";
    std::string parameters;
    std::string directory;
    bool operator==(const LaunchRequest&) const = default;
};

std::string ClientExecutablePath(const std::string& installPath);
LaunchRequest PlanLaunch(const std::string& installPath, const std::string& toolArguments);

// The game folder's files, as the switch and the launch touch them.
class IGameFiles {
  public:
    virtual ~IGameFiles() = default;
    // A plain file (not hidden, not system, not a folder); errors read as absent.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Copies everything the pattern matches, folders included, replacing
    // files without questions; true only when every file is in place.
    virtual bool CopyFiles(const CopyStep& step) = 0;
    // Starts the client and returns when its process has ended (at once when
    // nothing could be started).
    virtual void StartAndWait(const LaunchRequest& request) = 0;
    // The folder of the tool's own executable, without a trailing "\".
    virtual std::string ToolFolder() = 0;
};

} // namespace quorin
