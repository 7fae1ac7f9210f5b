// Quorin's entry point: the real services wired to the main window's
// workflow; start-up runs before the window is first shown.
#include <ctime>

#include "browser/join.h"
#include "browser/win32/browser_window.h"
#include "browser/win32/settings_store_win32.h"
#include "common/win32/message_box_win32.h"
#include "common/win32/system_dll.h"
#include "common/win32/unique_handle.h"
#include "common/win32/win.h"
#include "console/command_line.h"
#include "console/form1.h"
#include "console/win32/elevation_win32.h"
#include "console/win32/form1_window.h"
#include "console/win32/message_loop_win32.h"
#include "console/win32/window_jobs_win32.h"
#include "dialogs/win32/dialog_windows.h"
#include "dialogs/win32/patch_files_window.h"
#include "install/install_record.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"
#include "net/udp.h"
#include "net/win32/winsock_api.h"

namespace {

// Where the process ends (the window closed, the settings given up, the
// session's end): once a job still running has returned, since its work
// uses the workflow's objects and a switch is not cut short. The window's
// destructor does not run; the system closes every handle with the process.
class EndingProcess : public quorin::IProcessControl {
  public:
    explicit EndingProcess(quorin::IJobs& jobs) : jobs_(jobs) {}
    void EndProcess() override {
        jobs_.Wait();
        ::ExitProcess(0);
    }

  private:
    quorin::IJobs& jobs_;
};

// The join under way, stepped by a timer of the thread (no window of its own).
quorin::JoinDriver* joining = nullptr;
void CALLBACK StepJoin(HWND, UINT, UINT_PTR timer, DWORD) {
    static bool stepping = false; // the ticks go on while the join's question is open
    if (!joining || stepping)
        return;
    stepping = true;
    if (!joining->Step()) {
        joining = nullptr;
        ::KillTimer(nullptr, timer);
    }
    stepping = false;
}

// This program again, without arguments: the list of servers.
bool StartListProcess() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    path.resize(length);
    std::wstring line = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    const quorin::win32::UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    return true;
}

// Started without an address, Quorin shows the list of servers first. The
// command line comes back with the address of the server picked to join;
// unchanged when the player chose to type an address; nothing when the
// list was closed.
std::optional<std::string> PickFromList(const std::string& commandLine,
                                        const std::string& installed, bool& join) {
    using namespace quorin;
    std::optional<std::string> picked;
    bool typed = false;
    bool detailsOnly = false; // "Details": the main window for it, without joining
    win32::BrowserWindow* shown = nullptr;
    win32::RegistrySettingsStore store;
    win32::BrowserWindow list(store,
                              {[&] { return installed; },
                               [&](const ServerRow& row) {
                                   picked = WithAddress(commandLine, AddressText(row.address));
                                   ::PostMessageA(shown->Handle(), WM_CLOSE, 0, 0);
                               },
                               [&] {
                                   typed = true;
                                   ::PostMessageA(shown->Handle(), WM_CLOSE, 0, 0);
                               },
                               [&](const ServerRow& row) { // as if given an address
                                   picked = WithAddress(commandLine, AddressText(row.address));
                                   detailsOnly = true;
                                   ::PostMessageA(shown->Handle(), WM_CLOSE, 0, 0);
                               }});
    shown = &list;
    if (!list.Create())
        return commandLine; // no list to be had: Server Settings asks, as before
    list.Refresh();
    list.Show();
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        if (!list.PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    join = picked.has_value() && !detailsOnly;
    if (typed)
        return commandLine;
    return picked;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quorin;
    // Before anything loads a DLL by name.
    win32::RestrictDllSearch();
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
    win32::WindowJobs jobs;
    EndingProcess process(jobs);
    win32::ServerDialogWindow serverDialog(box, process);

    win32::GameFiles files;
    win32::GameLauncher launcher;
    win32::Elevation elevation;
    std::string commandLine(ArgumentText(::GetCommandLineA()));
    bool join = false;
    if (const CommandLineAddress given = ReadCommandLine(commandLine); given.IsUsable()) {
        // Started to join a server: it goes first among the recent ones.
        if (const auto server = ParseAddressText(given.serverIP, *given.port)) {
            win32::RegistrySettingsStore store;
            RecordJoined(store, *server, static_cast<std::int64_t>(std::time(nullptr)));
        }
    } else if (given.needsDialog) {
        const auto picked = PickFromList(
            commandLine, std::string(ClientVersionFromMagic(install.ReadMagic())), join);
        if (!picked)
            return 0;
        commandLine = *picked;
    }
    Form1 form({box, serverDialog, process, udp, install, files, jobs, launcher, elevation},
               commandLine);
    win32::AboutBox about;
    win32::PatchFilesBox patchFiles;
    const auto openPatchFiles = [&](HWND owner) {
        patchFiles.ShowModal(owner,
                             {files.ToolFolder(), install.InstallPath(), install.SaveMagic()});
    };
    win32::Form1Window window(form, {[&] { about.ShowModal(window.Handle()); },
                                     [&] { openPatchFiles(window.Handle()); }});
    form.OpenPatchFiles = [&] { openPatchFiles(window.Handle()); };
    // "Servers...": a Quorin of its own opens the list, and this one closes
    // (when it is idle: a switch or a running game keeps it).
    window.SetServersHook([&] {
        if (StartListProcess())
            ::PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
    });
    // The server this window was started for, among the favourites.
    const CommandLineAddress shown = ReadCommandLine(commandLine);
    const auto shownServer =
        shown.IsUsable() ? ParseAddressText(shown.serverIP, *shown.port) : std::nullopt;
    if (shownServer)
        window.SetFavouriteHook([&] {
            win32::RegistrySettingsStore store;
            box.Show(AddFavourite(store, *shownServer), "", kMbOk | kMbIconInformation);
        });
    if (!window.Create()) {
        box.Show("The main window could not be created.", "", kMbOk | kMbIconCritical);
        return 1;
    }
    jobs.SetWindow(window.Handle(), win32::kMsgJobFinished);
    launcher.SetEnded(window.Handle(), [&] { window.GameEnded(); });
    elevation.SetWindow(window.Handle());
    box.SetOwner(window.Handle());
    form.Repaint = [&] { window.PaintNow(); };
    form.Form_Load();
    window.Show();
    JoinDriver driver(form, box);
    if (join) {
        joining = &driver;
        ::SetTimer(nullptr, 0, 250, StepJoin);
    }
    // Only a WM_QUIT that another program posts ends the loop: the window's
    // close ends the process in EndingProcess. Its job is waited for here too.
    win32::MessageLoop(launcher, [&](MSG& msg) { return window.PreTranslate(msg); }).Run();
    jobs.Wait();
    return 0;
}
