// The main window's workflow, apart from any window system: start-up, the
// query cycle, error reporting, the details panel's toggle, scroll and
// selection (form1.cpp); the version switch and the game's launch
// (form1_switch.cpp). The Win32 window shows what Form1Controls holds and
// hands its events to the handlers here.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/process_control.h"
#include "console/background.h"
#include "console/game_plans.h"
#include "console/patch_transaction.h"
#include "console/version_switch.h"
#include "install/install_record.h"
#include "net/udp.h"

namespace quorin {

// What the window's controls show: captions, enabled and visible states,
// the list rows and their selection, the scroll bar's range and position.
struct Form1Controls {
    std::string lblStatus = "About";
    std::string lblIP = " ";
    std::string lblPort = " ";
    std::string lblSVRVersion = " ";
    std::string lblClientVersion = " ";
    std::string cmdExpandCaption = "+";
    bool cmdQueryEnabled = false;
    bool cmdExpandEnabled = false;
    bool cmdLaunchEnabled = false;
    bool cmdLaunchVisible = false;
    bool lblPatchMeVisible = false;
    std::vector<std::string> lstSVRVariable;
    std::vector<std::string> lstSVRValue;
    // The server's own pairs come first; after them, a row for each player
    // (the name, and the player's line as the server sent it).
    int pairRows = 0;
    // The server at a glance: "3/16 players, mp/ffa3, 48 ms", and its name
    // with its colour codes.
    std::string glance;
    std::string serverName;
    int variableSelected = -1;
    int valueSelected = -1;
    int scrollMax = 32767; // the scroll bar's own default until a reply sets it
    int scrollValue = 0;

    bool Expanded() const { return cmdExpandCaption != "+"; }
};

// The two address of the server address that the settings dialog fills.
struct ServerAddressRefs {
    std::string& serverIP;
    std::string& serverPort;
    std::string& lblIP;
    std::string& lblPort;
};

class IServerDialog {
  public:
    virtual ~IServerDialog() = default;
    // Shows the server settings dialog modally; false when the player gave
    // up and the tool has ended.
    virtual bool ShowModal(ServerAddressRefs address) = 0;
};

struct Form1Services {
    IMessageBox& box;
    IServerDialog& serverDialog;
    IProcessControl& process;
    UdpLayer& udp;
    InstallRecord& install;
    IGameFiles& files;
    IJobs& jobs;
    ILauncher& launcher;
    IElevation& elevation;
};

// What the workflow is doing. While it switches or the game runs, the
// window takes no input, the poll reads no reply, and only the switch's job
// touches the game's files and the marker.
enum class Activity { Idle, Switching, GameRunning };

class Form1 {
  public:
    Form1(Form1Services services, std::string commandLine)
        : services_(services), CommandLine(std::move(commandLine)) {}

    void Form_Load();
    // The window is on the screen: the first query goes out now, so that its
    // ping counts the network alone, not the window's creation.
    void Form_Shown();
    void Form_Unload();
    void cmdQuery_Click();
    void Timer1_Timer();
    void cmdExpand_Click();
    void VScroll1_Change(int value);
    void lstSVRVariable_Click(int index);
    void lstSVRValue_Click(int index);
    void ShowErrorMessage(std::int32_t lngWinsockErrorCode);
    void lblPatchMe_Click();
    void cmdLaunch_Click();
    // The switch's job has ended (the window's message for it): acted on
    // only once the job's thread has, so that no other sender can cut it short.
    void JobFinished();
    // The game has ended (the window's message for it).
    void GameEnded();

    // Called whenever a handler sets a status text that must show before it
    // returns (the switch's start and progress, the game's launch), so that
    // the window paints it at once.
    std::function<void()> Repaint;
    // Opens the Patch Files window, offered when a switch finds the store empty.
    std::function<void()> OpenPatchFiles;
    // Milliseconds on a steady clock, for the ping.
    std::function<std::int64_t()> Clock;
    // While a request waits for its reply, the window calls this every few
    // milliseconds: it notes when the reply has arrived, which the poll's
    // 500 ms tick then reads.
    void Ping_Timer();
    bool PingPending() const { return pingPending_; }

    Form1Controls& Controls() { return controls_; }
    const Form1Controls& Controls() const { return controls_; }
    bool Ended() const { return ended_; }
    Activity Doing() const { return activity_; }
    // One of the switch's boxes is open: Launch and Patch take no click.
    bool SwitchBoxOpen() const { return switchBoxOpen_; }
    // Bumped whenever the lists are cleared or refilled, for the window to redraw them.
    int ListsGeneration() const { return listsGeneration_; }

  private:
    void End();
    bool AskForAddress();
    bool ConnectToServer();
    void ReadServerReply(SocketHandle socket);
    // ShowErrorMessage for the socket's last error; a flood of oversized
    // datagrams is drained without a box each.
    void ReportSocketError();
    void ParseStatusReply(const std::string& text);
    // Shows the server's version and the Patch link or Launch beside it.
    void SetServerVersion(std::string version);
    void Select(int index);
    void SetStatus(std::string text);
    // Puts back an unfinished switch, here or in an elevated copy; the
    // installed version is settled once that has ended.
    void RecoverInterruptedSwitch();
    // Shows what the check of an unfinished switch found, if anything.
    void TellLeftover(const RecoverResult& found);
    void Query();
    std::int64_t Now() const;
    // Starts the Patch click's transaction, or the recovery at start-up, as
    // the switch's job: here, or in an elevated copy of Quorin.
    void StartTransaction(const Transaction& transaction);
    // What the elevated copy's report and exit code say.
    PatchResult ElevatedResult() const;
    // The one-value elevated step for the marker, when this process may
    // not write its key; none when it may.
    MarkerWriter MarkerStep();
    // The switch's outcome, shown once its job has ended.
    void ShowSwitchResult(const SwitchResult& result);
    // Run once any unfinished switch has been put back. A game without a
    // marker holds what its jamp.exe's version resource names, else 1.0.0;
    // the marker starts there when Quorin may write it. A marker that
    // disagrees with jamp.exe stands, and a box says so.
    void SettleInstalledVersion();
    // The version the installation holds: its marker when it has one; else
    // what jamp.exe names; else 1.0.0, a game that no switch has touched.
    std::string InstalledVersion() const;
    // The version resource of the game's jamp.exe, if it has one.
    std::optional<std::string> JampExeFileVersion() const;
    // The marker for the version jamp.exe's version resource names, if any.
    std::optional<std::int32_t> VersionJampExeNames() const;
    void ShowNotResponding();

    Form1Services services_;
    Form1Controls controls_;
    bool ended_ = false;
    bool addressFromDialog_ = false;
    Activity activity_ = Activity::Idle;
    std::atomic<int> progress_{-1}; // the running switch's percentage, written by its job
    int progressShown_ = -1;
    Transaction transaction_;            // the job's
    bool elevated_ = false;              // the job runs in an elevated copy of Quorin
    MarkerWriter markerStep_;            // or here, the marker written by an elevated step
    PatchResult patchResult_;            // written by the job here, read once it has ended
    long elevatedExit_ = 0;              // the elevated copy's exit code, or why it did not start
    std::optional<std::string> report_;  // the elevated copy's result, in words, from its channel
    std::unique_ptr<IRunningGame> game_; // watches the running game
    std::string statusBeforeGame_;       // put back when the game ends
    // A box of the switch is open (the Patch click's question, the switch's
    // result): no click is taken and no reply read until it closes.
    bool switchBoxOpen_ = false;
    // A Winsock error's box is open: the ticks read no reply and open no
    // second box; clicks are still taken.
    bool errorBoxOpen_ = false;
    // The error last boxed, not boxed again until a reply or Query.
    std::optional<std::int32_t> lastBoxed_;
    bool queryOnShow_ = false; // start-up connected: the first query waits for the window
    int quietTicks_ = 0;       // ticks since the request without a reply
    bool pingPending_ = false; // a request out, its reply not yet seen
    std::int64_t sentAt_ = 0;  // when the request went out, on Clock
    std::optional<std::int64_t> arrivedAt_; // when its reply was first seen
    // A server that has not answered within 4 s (eight ticks of the 500 ms
    // timer) is told as not responding.
    static constexpr int kQuietTicks = 8;
    Leftover leftover_ = Leftover::None; // what start-up found of an unfinished switch
    std::string leftoverTold_;           // and what the player was told of it
    int listsGeneration_ = 0;

  public:
    std::string CommandLine;
    std::string ServerIP;
    std::string ServerPort;
    SocketHandle UdpSocket = kNoSocket;
    int SocketCount = 0;
};

// Status texts of the main window.
inline constexpr char kInstallDetected[] = "Jedi Academy Install Detected!";
inline constexpr char kQuerying[] = "Querying server...";
inline constexpr char kNoResults[] = "No results returned from server!";
inline constexpr char kReadyToLaunch[] = "Ready to Launch!";
inline constexpr char kNeedsPatched[] = "Needs patched!";
inline constexpr char kNotResponding[] = "Server not responding!";
inline constexpr char kPatching[] = "Patching....";
inline constexpr char kPatchedReady[] = "Patched & Ready to Launch!";
inline constexpr char kPatchFailed[] = "Patch failed! Nothing changed.";
inline constexpr char kPatchNotUndone[] = "Patch failed! The game could not be put back.";
inline constexpr char kGameRunning[] = "Game running...";
inline constexpr char kNotJka[] = "Not a Jedi Academy server!";
inline constexpr char kUnknownVersion[] = "Unknown server version!";

// Why an address cannot be connected to, in words for the player; empty when it can.
std::string BadAddressText(const std::string& host, const std::string& portText);

} // namespace quorin
