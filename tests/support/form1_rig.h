// The main window's workflow on whatever registry, sockets and game folder a
// test gives it (in memory natively, the real services under Wine), with its
// boxes, settings dialog and the end of the process recorded.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/form1.h"
#include "tests/support/registry_backend.h"
#include "tests/support/scripted_sockets.h"

namespace quorin::test {

class ScriptedDialog : public IServerDialog {
  public:
    std::function<bool(ServerAddressRefs)> answer; // none: the player gives up
    int shown = 0;
    bool ShowModal(ServerAddressRefs address) override {
        return ++shown, answer && answer(address);
    }
};

// Jobs whose work runs when the workflow waits for it (or a test runs it
// first): the window's thread and the job's are one.
class StepJobs : public IJobs {
  public:
    std::function<void()> pending;
    bool refuse = false; // no thread to be had
    bool Start(std::function<void()> work) override {
        if (refuse || pending)
            return false;
        pending = std::move(work);
        return true;
    }
    void Wait() override {
        if (auto work = std::exchange(pending, nullptr))
            work();
    }
    bool running = false; // the job's thread has not ended yet
    bool Done() override {
        if (!running)
            Wait();
        return !running;
    }
};

class RecordingLauncher : public ILauncher {
  public:
    std::vector<LaunchRequest> started;
    bool fails = false;
    std::unique_ptr<IRunningGame> Start(const LaunchRequest& request) override {
        started.push_back(request);
        return fails ? nullptr : std::make_unique<IRunningGame>();
    }
};

// Whether an elevated copy is needed, and that copy: by default none is,
// and a copy asked for is refused by the player.
class ScriptedElevation : public IElevation {
  public:
    bool needed = false;
    // None: the prompt declined.
    std::function<ElevatedRun(const Transaction&, const std::function<void(int)>&)> copy;
    std::vector<Transaction> runs;
    int probes = 0; // the rights looked at
    bool markerNeeded = false;
    bool Needed(const std::string&) override { return ++probes, needed; }
    bool MarkerNeeded() override { return markerNeeded; }
    ElevatedRun Run(const Transaction& transaction,
                    const std::function<void(int)>& progress) override {
        runs.push_back(transaction);
        return copy ? copy(transaction, progress) : ElevatedRun{kElevationDeclined, {}};
    }
};

class Form1Rig {
  public:
    Form1Rig(RegistryBackend& registry, ISocketApi& sockets, IGuidText& guids, IGameFiles& files)
        : registry_(registry), install(registry.Api()), udp(sockets, guids), files(files) {}
    ~Form1Rig() { Stop(); }

    // The game's key with its install folder, and "Magic" unless it is absent.
    void Install(std::optional<std::int32_t> magic, const std::string& path = "C:\\JA") {
        registry_.DeleteKeyTree(kGameBaseKey);
        registry_.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz, ToRegistryData(path).bytes);
        if (magic)
            registry_.PutRaw(kGameVersionKey, kMagicValue, kRegDword, ToRegistryData(*magic).bytes);
    }
    // A click on Patch, and the switch's job run to its end.
    void Patch() {
        form->lblPatchMe_Click();
        form->JobFinished();
    }
    // A new workflow, not started up; `shownBy` stands in for the recording box.
    Form1& Create(const std::string& commandLine, IMessageBox* shownBy = nullptr,
                  IServerDialog* asking = nullptr) {
        Stop();
        form = std::make_unique<Form1>(Form1Services{shownBy ? *shownBy : box,
                                                     asking ? *asking : dialog, process, udp,
                                                     install, files, *jobs, *launcher, *elevation},
                                       commandLine);
        return *form;
    }
    Form1& Start(const std::string& commandLine, IMessageBox* shownBy = nullptr,
                 IServerDialog* asking = nullptr) {
        Create(commandLine, shownBy, asking).Form_Load();
        form->Form_Shown();
        return *form;
    }
    void Stop() {
        if (form && !form->Ended())
            form->Form_Unload(); // closes the socket
        form.reset();
    }
    Form1Controls& Controls() { return form->Controls(); }

  private:
    RegistryBackend& registry_;

  public:
    InstallRecord install;
    UdpLayer udp;
    IGameFiles& files;
    RecordingBox box;
    ScriptedDialog dialog;
    RecordingProcess process;
    StepJobs stepJobs;
    RecordingLauncher recordingLauncher;
    IJobs* jobs = &stepJobs; // or the real ones, set before Create
    ILauncher* launcher = &recordingLauncher;
    ScriptedElevation scriptedElevation;
    IElevation* elevation = &scriptedElevation;
    std::unique_ptr<Form1> form;
};

} // namespace quorin::test
