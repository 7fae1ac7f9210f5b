// Quorin's entry point: the real services wired to the main window's
// workflow; start-up runs before the window is first shown.
#include "common/win32/message_box_win32.h"
#include "common/win32/win.h"
#include "console/command_line.h"
#include "console/form1.h"
#include "console/win32/background_win32.h"
#include "console/win32/elevation_win32.h"
#include "console/win32/form1_window.h"
#include "dialogs/win32/dialog_windows.h"
#include "dialogs/win32/patch_files_window.h"
#include "install/install_record.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"
#include "net/udp.h"
#include "net/win32/winsock_api.h"

namespace {

class EndingProcess : public quorin::IProcessControl {
  public:
    void EndProcess() override { ::ExitProcess(0); }
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quorin;
    // An elevated copy started for one transaction: no window of its own.
    if (const std::string arguments(ArgumentText(::GetCommandLineA()));
        arguments.starts_with(kTransactionWord))
        return win32::RunElevatedTransaction(arguments);
    win32::Win32Registry registry;
    InstallRecord install(registry);
    win32::WinsockApi sockets;
    win32::Ole32GuidText guids;
    UdpLayer udp(sockets, guids);
    win32::Win32MessageBox box;
    EndingProcess process;
    win32::ServerDialogWindow serverDialog(box, process);

    win32::GameFiles files;
    win32::WindowJobs jobs;
    win32::GameLauncher launcher;
    win32::Elevation elevation;
    Form1 form({box, serverDialog, process, udp, install, files, jobs, launcher, elevation},
               std::string(ArgumentText(::GetCommandLineA())));
    win32::AboutBox about;
    win32::PatchFilesBox patchFiles;
    const auto openPatchFiles = [&](HWND owner) {
        patchFiles.ShowModal(owner,
                             {files.ToolFolder(), install.InstallPath(), install.SaveMagic()});
    };
    win32::Form1Window window(form, {[&] { about.ShowModal(window.Handle()); },
                                     [&] { openPatchFiles(window.Handle()); }});
    form.OpenPatchFiles = [&] { openPatchFiles(window.Handle()); };
    if (!window.Create()) {
        box.Show("The main window could not be created.", "", kMbOk | kMbIconCritical);
        return 1;
    }
    jobs.SetWindow(window.Handle(), win32::kMsgJobFinished);
    launcher.SetWindow(window.Handle(), win32::kMsgGameEnded);
    elevation.SetWindow(window.Handle());
    box.SetOwner(window.Handle());
    form.Repaint = [&] { window.PaintNow(); };
    form.Form_Load();
    window.Show();
    win32::MessageLoop(launcher, [&](MSG& msg) { return window.PreTranslate(msg); }).Run();
    jobs.Wait(); // none runs once the window has closed; its work uses the workflow
    return 0;
}
