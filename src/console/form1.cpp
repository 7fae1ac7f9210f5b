#include "console/form1.h"

#include <chrono>
#include <exception>
#include <utility>

#include "common/versions.h"
#include "console/command_line.h"
#include "console/server_text.h"
#include "console/store_view.h"
#include "console/version_switch.h"
#include "net/error_text.h"
#include "net/status_reply.h"

namespace quorin {

std::string BadAddressText(const std::string& host, const std::string& portText) {
    if (host.empty())
        return "No server IP to connect to: start Quorin with +connect host:port.";
    if (const std::size_t colon = host.find(':'); colon != std::string::npos) {
        // IPv6 is written in hex digits and colons, at least two of them
        // ("::1", "fe80::1"), or in brackets; a name never holds a colon.
        const bool ipv6 =
            host.starts_with('[') ||
            (host.find(':', colon + 1) != std::string::npos &&
             host.find_first_not_of("0123456789abcdefABCDEF:.%") == std::string::npos);
        if (ipv6)
            return "\"" + host +
                   "\" is an IPv6 address, and the game connects over IPv4 only. Give the "
                   "server's IPv4 address or name.";
        return "\"" + host +
               "\" is not a server IP: give the address or name alone in Server IP, and the "
               "port in Server Port.";
    }
    if (!ParsePort(portText)) {
        std::string text = "The server port \"";
        text.append(portText).append("\" is not a whole number from 1 to 65535.");
        return text;
    }
    return {};
}

void Form1::End() {
    ended_ = true;
    Form_Unload();
}

void Form1::Form_Load() {
    if (!s_.install.GameKeyExists()) {
        s_.box.Show("Please install JKA!", "Can't Locate JKA!", kMbOk);
        return End();
    }
    s_.install.LoadInstallInfo();
    c_.lblStatus = kInstallDetected;
    RecoverInterruptedSwitch();

    const CommandLineAddress address = ReadCommandLine(CommandLine);
    if (address.needsDialog) {
        if (!AskForAddress())
            return;
    } else {
        ServerIP = address.serverIP;
        ServerPort = address.serverPort;
        c_.lblIP = ServerIP;
        c_.lblPort = ServerPort;
    }

    if (const int rc = s_.udp.StartWinsock(kWinsockVersion22); rc != 0) {
        ShowErrorMessage(rc);
        return End();
    }
    UdpSocket = s_.udp.CreateSocket(kAfInet, kSockDgram, kIpprotoUdp);
    if (UdpSocket == kNoSocket) {
        ShowErrorMessage(s_.udp.LastSocketError());
        return End();
    }
    while (!ConnectToServer()) {
        // The address was refused and the box said why: offer the settings
        // again, filled with it, to mend. Cancel there ends the tool, as it
        // does with no address at all.
        ServerIP.clear();
        ServerPort.clear();
        if (!AskForAddress())
            return;
    }
    c_.cmdQueryEnabled = true;
    queryOnShow_ = true; // its reply is read once a recovery started above has ended
}

void Form1::Form_Shown() {
    if (std::exchange(queryOnShow_, false) && !ended_)
        Query();
}

std::optional<std::int32_t> Form1::VersionJampExeNames() const {
    const auto fileVersion = s_.files.FileVersion(ClientExecutablePath(s_.install.InstallPath()));
    return fileVersion ? MarkerForFileVersion(*fileVersion) : std::nullopt;
}

std::string Form1::InstalledVersion() const {
    if (s_.install.HasMarker())
        return std::string(ClientVersionFromMagic(s_.install.ReadMagic()));
    return std::string(VersionJampExeNames().value_or(kMagic100) == kMagic100 ? kVersion100
                                                                              : kVersion101);
}

void Form1::SettleInstalledVersion() {
    const auto named = VersionJampExeNames();
    if (!s_.install.HasMarker()) {
        // Without the right to write it, nothing is said: the version is
        // read from jamp.exe again whenever it is needed.
        s_.install.WriteMagic(named.value_or(kMagic100));
        return;
    }
    if (!named)
        return; // the game's files do not say: the marker stands
    const std::string_view marked = ClientVersionFromMagic(s_.install.ReadMagic());
    const std::string_view version = *named == kMagic100 ? kVersion100 : kVersion101;
    if (marked == version)
        return;
    const auto fileVersion = s_.files.FileVersion(ClientExecutablePath(s_.install.InstallPath()));
    s_.box.Show("The game's jamp.exe is version " + fileVersion.value_or("") +
                    ", but Quorin's record of the installation (the registry value \"Magic\") "
                    "says " +
                    std::string(marked) + ". Quorin keeps its record; if the game is really " +
                    std::string(version) +
                    ", check that the patch folders beside quorin.exe hold that version's "
                    "jamp.exe.",
                "Installed version", kMbOk | kMbIconInformation);
}

bool Form1::AskForAddress() {
    if (!s_.serverDialog.ShowModal({ServerIP, ServerPort, c_.lblIP, c_.lblPort})) {
        ended_ = true;
        return false;
    }
    if (!ServerIP.empty() && ServerPort.empty()) // the game's port, as for "+connect host"
        ServerPort = c_.lblPort = kDefaultGamePortText;
    if (ServerPort.empty() || ServerIP.empty()) {
        s_.box.Show("No IP to connect to!", "", kMbOk);
        End();
        return false;
    }
    ServerIP = c_.lblIP;
    ServerPort = c_.lblPort;
    addressFromDialog_ = true;
    return true;
}

bool Form1::ConnectToServer() {
    // A bad port or an empty host is the player's to fix: say what is wrong
    // instead of a Winsock number.
    if (const std::string bad = BadAddressText(c_.lblIP, c_.lblPort); !bad.empty()) {
        s_.box.Show(bad, "", kMbOk | kMbIconExclamation);
        return false;
    }
    const auto port = static_cast<std::int32_t>(*ParsePort(c_.lblPort));
    if (s_.udp.ConnectSocket(UdpSocket, c_.lblIP, port) == -1) {
        ShowErrorMessage(s_.udp.LastSocketError());
        return false;
    }
    SocketCount = 1;
    return true;
}

void Form1::Form_Unload() {
    s_.udp.CloseSocket(UdpSocket); // nothing to close before one was created
    UdpSocket = kNoSocket;
    SocketCount = 0;
    ended_ = true;
    s_.process.EndProcess();
}

void Form1::cmdQuery_Click() {
    if (activity_ == Activity::Idle && !busyBox_)
        Query();
}

void Form1::Query() {
    lastBoxed_.reset(); // asked again: a failure is worth a box again
    quietTicks_ = 0;
    sentAt_ = Now();
    arrivedAt_.reset();
    pingPending_ = true;
    c_.lblStatus = kQuerying;
    if (s_.udp.SendString(UdpSocket, kStatusRequest) == -1)
        ReportSocketError();
}

void Form1::ReportSocketError() {
    const std::int32_t code = s_.udp.LastSocketError();
    ShowErrorMessage(code);
    if (code != kWsaeMsgSize)
        return;
    // A flood of oversized datagrams: the ones already waiting go without a
    // box each.
    for (int i = 0; i < 64 && s_.udp.SelectReadable(UdpSocket) >= 1; ++i) {
        std::string text;
        const int n = s_.udp.RecvString(UdpSocket, text);
        if (n > 0)
            ParseStatusReply(text); // a good reply among them still counts
        else if (n == 0 || s_.udp.LastSocketError() != kWsaeMsgSize)
            break;
    }
}

std::int64_t Form1::Now() const {
    return Clock ? Clock()
                 : std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
}

void Form1::Ping_Timer() {
    if (!pingPending_ || SocketCount < 1 || activity_ != Activity::Idle)
        return;
    if (s_.udp.SelectReadable(UdpSocket) != 0)
        arrivedAt_ = Now(); // a reply, or an error, has come
    if (arrivedAt_ || Now() - sentAt_ > kQuietTicks * 500)
        pingPending_ = false;
}

void Form1::Timer1_Timer() {
    if (activity_ == Activity::Switching) {
        // The job's progress, as far as it has come.
        const int percent = progress_;
        if (percent >= 0 && percent != progressShown_)
            SetStatus(std::string(kPatching) + " " + std::to_string(progressShown_ = percent) +
                      "%");
        return;
    }
    if (SocketCount < 1 || ended_ || activity_ != Activity::Idle || busyBox_ || boxOpen_)
        return;
    const int ready = s_.udp.SelectReadable(UdpSocket);
    if (ready == -1)
        ReportSocketError();
    else if (ready >= 1)
        ReadServerReply(UdpSocket);
    else if (c_.lblStatus == kQuerying && ++quietTicks_ >= kQuietTicks)
        ShowNotResponding(); // a reply that comes later still counts
}

void Form1::ShowNotResponding() {
    c_.lblStatus = kNotResponding;
    // The last reply's players, map and ping are no longer the server's.
    c_.glance.clear();
    c_.serverName.clear();
}

void Form1::ReadServerReply(SocketHandle socket) {
    std::string text;
    const int n = s_.udp.RecvString(socket, text);
    if (n > 0)
        ParseStatusReply(text);
    else if (n == -1)
        ReportSocketError();
}

void Form1::ParseStatusReply(const std::string& text) {
    c_.lstSVRVariable.clear();
    c_.lstSVRValue.clear();
    c_.variableSelected = c_.valueSelected = -1;
    ++listsGeneration_;
    const StatusReply reply = quorin::ParseStatusReply(text);
    c_.pairRows = 0;
    c_.glance.clear();
    c_.serverName.clear();
    if (!reply.headerPresent) {
        c_.lblStatus = kNoResults;
        c_.cmdLaunchVisible = false;
        return;
    }
    lastBoxed_.reset();
    const std::int64_t ping = arrivedAt_.value_or(Now()) - sentAt_;
    pingPending_ = false;
    c_.lblClientVersion = InstalledVersion();
    for (const auto& [name, value] : reply.pairs) {
        c_.lstSVRVariable.emplace_back(name);
        c_.lstSVRValue.emplace_back(value);
    }
    // A "version" naming neither game version (an open-source engine's own),
    // or none at all, is named by the reply's protocol instead.
    if (const auto effective = EffectiveServerVersion(reply))
        SetServerVersion(*effective);
    // The players, each a row of its own after the server's pairs.
    c_.pairRows = static_cast<int>(c_.lstSVRValue.size());
    const std::string maxClients = MaxClients(c_.lstSVRVariable, c_.lstSVRValue);
    std::string map, name;
    for (int i = 0; i < c_.pairRows; ++i) {
        if (c_.lstSVRVariable[i] == "mapname")
            map = FirstLine(c_.lstSVRValue[i]);
        if (c_.lstSVRVariable[i] == "sv_hostname")
            name = FirstLine(c_.lstSVRValue[i]);
    }
    const auto players = c_.pairRows ? PlayerLines(c_.lstSVRValue.back()) : std::nullopt;
    for (const std::string& line : players.value_or(std::vector<std::string>{})) {
        c_.lstSVRVariable.push_back(ParsePlayers(line)->front().name);
        c_.lstSVRValue.push_back(line);
    }
    for (const std::string& part :
         {players ? PlayerCount(players->size(), maxClients) : std::string(), Uncoloured(map),
          std::to_string(ping) + " ms"})
        if (!part.empty())
            c_.glance += (c_.glance.empty() ? "" : ", ") + part; // cleared with the lists
    c_.serverName = name;
    c_.cmdExpandEnabled = true;
    c_.scrollMax = static_cast<int>(c_.lstSVRValue.size());
    if (!c_.lstSVRValue.empty())
        Select(0);
    // Only a server of one of the two game versions is joined or switched
    // for: any other gets neither Patch nor Launch, and says why.
    const std::string_view server = c_.lblSVRVersion;
    if (server != kVersion100 && server != kVersion101) {
        c_.lblPatchMeVisible = c_.cmdLaunchVisible = false;
        c_.lblStatus = LooksLikeJka(reply) ? kUnknownVersion : kNotJka;
    } else if (c_.lblSVRVersion == c_.lblClientVersion) {
        c_.cmdLaunchVisible = true;
        c_.cmdLaunchEnabled = true;
        c_.lblStatus = kReadyToLaunch;
    } else {
        c_.lblStatus = kNeedsPatched;
    }
}

void Form1::SetServerVersion(std::string version) {
    c_.lblSVRVersion = std::move(version);
    const bool same = c_.lblSVRVersion == c_.lblClientVersion;
    c_.lblPatchMeVisible = !same;
    c_.cmdLaunchVisible = same;
}

void Form1::ShowErrorMessage(std::int32_t lngWinsockErrorCode) {
    c_.cmdExpandEnabled = false;
    if (lngWinsockErrorCode == kWsaeConnReset) {
        ShowNotResponding();
        return;
    }
    // One box at a time, and the same failure again (a flood of bad
    // datagrams, a poll failing on every tick) waits for the player to ask
    // again: the ticks under an open box would otherwise stack boxes.
    if (boxOpen_ || lastBoxed_ == lngWinsockErrorCode)
        return;
    boxOpen_ = true;
    lastBoxed_ = lngWinsockErrorCode;
    s_.box.Show(std::string(GetErrorDescription(lngWinsockErrorCode)), "Winsock error",
                kMbOk | kMbIconExclamation);
    boxOpen_ = false;
}

void Form1::cmdExpand_Click() {
    c_.cmdExpandCaption.assign(1, c_.Expanded() ? '+' : '-');
}

void Form1::Select(int index) {
    c_.variableSelected = index;
    c_.valueSelected = index;
}

void Form1::VScroll1_Change(int value) {
    c_.scrollValue = value;
    if (value >= 0 && value < c_.scrollMax && value < static_cast<int>(c_.lstSVRValue.size()))
        Select(value);
}

// A click selects its row in the list clicked, and the same row in the other.
// A row clicked in either list is selected in both, and the scroll bar follows it.
void Form1::lstSVRVariable_Click(int index) {
    c_.scrollValue = c_.variableSelected = c_.valueSelected = index;
}
void Form1::lstSVRValue_Click(int index) {
    c_.scrollValue = c_.valueSelected = c_.variableSelected = index;
}

} // namespace quorin

namespace quorin {

void Form1::SetStatus(std::string text) {
    c_.lblStatus = std::move(text);
    if (Repaint)
        Repaint();
}

void Form1::RecoverInterruptedSwitch() {
    // Nothing to look at, the common case: the rights are not even probed.
    const std::string gameData = GameDataFolder(s_.install.InstallPath());
    if (!InstallPathProblem(s_.install.InstallPath()).empty() ||
        !s_.files.Stat(gameData + kSwitchFolder).exists)
        return SettleInstalledVersion();
    if (!s_.elevation.Needed(gameData)) {
        TellLeftover(VersionSwitch(s_.files, s_.install).Recover());
        return SettleInstalledVersion();
    }
    // Without the rights to put it back, an elevated copy does; until it
    // has, no reply is read, no click taken and the installed version is
    // not looked at.
    StartTransaction({true, {}});
}

void Form1::TellLeftover(const RecoverResult& found) {
    leftover_ = found.leftover;
    leftoverTold_ = found.told;
    switch (found.leftover) {
    case Leftover::None:
        return;
    case Leftover::RolledBack:
        return s_.box.Show(found.told, "Version switch undone", kMbOk | kMbIconExclamation);
    case Leftover::Busy:
        return s_.box.Show(found.told, "Version switch running", kMbOk | kMbIconInformation);
    case Leftover::Doubt:
    case Leftover::Stuck:
        return s_.box.Show(found.told, "Unfinished version switch", kMbOk | kMbIconExclamation);
    }
}

void Form1::lblPatchMe_Click() {
    if (activity_ != Activity::Idle || busyBox_)
        return;
    PatchRequest request{c_.lblClientVersion == kVersion100, leftover_ != Leftover::None, false};
    // The player may set aside what Quorin cannot read; the transaction
    // looks at it again first, and sets it aside only if it still must.
    if (leftover_ == Leftover::Doubt) {
        busyBox_ = true; // no reply is read while the question is open
        request.setAside = s_.box.Ask(leftoverTold_ + "\n\nSet the folder aside now and switch?",
                                      "Unfinished version switch", kMbIconExclamation);
        busyBox_ = false;
        if (!request.setAside)
            return; // the player chose to leave it: nothing changes
    }
    // What the store's checks find (the same file twice in different letter
    // case, a client of the other version, a damaged record) stops the
    // switch before anything is touched.
    StoreView store(s_.files);
    if (const StoreReport checked = InspectStore(store, s_.files.ToolFolder());
        !checked.problems.empty())
        return ShowSwitchResult({SwitchOutcome::NotStarted, checked.problems.front() +
                                                                " Open Patch Files (the window's "
                                                                "system menu) to see the store."});
    SetStatus(kPatching);
    StartTransaction({false, request});
}

void Form1::StartTransaction(const Transaction& transaction) {
    transaction_ = transaction;
    // An "Install Path" that is no full path is not probed (the probe would
    // write wherever it points); the switch here then says what is wrong.
    elevated_ = InstallPathProblem(s_.install.InstallPath()).empty() &&
                s_.elevation.Needed(GameDataFolder(s_.install.InstallPath()));
    report_.reset();
    progress_ = progressShown_ = -1;
    activity_ = Activity::Switching;
    const auto work = [this] {
        if (elevated_) {
            elevatedExit_ = s_.elevation.Run(transaction_);
            return;
        }
        try {
            patchResult_ = RunPatch(s_.files, s_.install, transaction_.patch,
                                    [this](int percent) { progress_ = percent; });
        } catch (const std::exception& e) {
            // Whatever it had done is in its journal, which the next start undoes.
            patchResult_ = {std::nullopt,
                            {SwitchOutcome::RollbackFailed,
                             std::string("The switch stopped: ") + e.what() +
                                 ". Start Quorin again: it puts the game back as it was."}};
        }
    };
    if (!s_.jobs.Start(work)) {
        work(); // no thread to be had: the transaction runs here, the window still
        JobFinished();
    }
}

PatchResult Form1::ElevatedResult() const {
    if (report_)
        if (const auto reported = ParsePatchResult(*report_))
            return *reported;
    const auto notStarted = [](std::string why) {
        return PatchResult{std::nullopt, {SwitchOutcome::NotStarted, std::move(why)}};
    };
    if (elevatedExit_ == kElevationDeclined)
        return notStarted("Switching the game needs administrator rights, and Windows did not "
                          "give them: the prompt was declined. Nothing changed.");
    if (elevatedExit_ == kTransactionRefused)
        return notStarted("The copy of Quorin with administrator rights refused the request it "
                          "was given. Nothing changed.");
    if (elevatedExit_ < 0)
        return notStarted("Quorin could not start a copy of itself with administrator rights "
                          "to switch the game (system error " +
                          std::to_string(-elevatedExit_) + "). Nothing changed.");
    return {std::nullopt,
            {SwitchOutcome::RollbackFailed,
             "The copy of Quorin that switched the game with administrator rights ended without "
             "saying how it went (exit code " +
                 std::to_string(elevatedExit_) +
                 "). Start Quorin again: it looks at the game and puts back an unfinished "
                 "switch."}};
}

void Form1::JobFinished() {
    if (activity_ != Activity::Switching)
        return;
    s_.jobs.Wait();
    activity_ = Activity::Idle;
    busyBox_ = true;
    struct Done {
        bool& busy;
        ~Done() { busy = false; } // the result's box is open: no reply is read
    } done{busyBox_};
    PatchResult result = elevated_ ? ElevatedResult() : patchResult_;
    if (transaction_.recoverOnly) {
        // An elevated copy that could not look tells it as the look's result.
        TellLeftover(result.found.value_or(
            RecoverResult{result.switched.outcome == SwitchOutcome::NotStarted ? Leftover::Doubt
                                                                               : Leftover::Stuck,
                          result.switched.problem}));
        return SettleInstalledVersion();
    }
    if (result.found) {
        leftover_ = result.found->leftover;
        leftoverTold_ = result.found->told;
        c_.lblStatus = leftover_ == Leftover::Stuck ? kPatchNotUndone : kPatchFailed;
        return s_.box.Show(leftoverTold_, "Patch failed", kMbOk | kMbIconExclamation);
    }
    if (transaction_.patch.checkFirst && result.switched.outcome != SwitchOutcome::NotStarted)
        leftover_ = Leftover::None, leftoverTold_.clear(); // looked at, and out of the way
    ShowSwitchResult(result.switched);
}

void Form1::ShowSwitchResult(const SwitchResult& result) {
    switch (result.outcome) {
    case SwitchOutcome::Switched:
        c_.lblClientVersion = InstalledVersion(); // what the installation holds now
        c_.lblStatus = kPatchedReady;
        c_.lblPatchMeVisible = false;
        c_.cmdLaunchVisible = true;
        c_.cmdLaunchEnabled = true;
        return;
    case SwitchOutcome::MarkerRefused:
        s_.box.Show("Reinstall JKA!", "Registry Error!", kMbOk | kMbIconCritical);
        return End();
    default:
        break;
    }
    // The client shows what the installation is now, and Patch stays offered.
    c_.lblClientVersion = InstalledVersion();
    c_.lblStatus = result.outcome == SwitchOutcome::RollbackFailed ? kPatchNotUndone : kPatchFailed;
    c_.lblPatchMeVisible = true;
    c_.cmdLaunchVisible = false;
    // A store that lacks a version's files can be filled from this game.
    const bool storeLacks =
        result.outcome == SwitchOutcome::NotStarted &&
        ((result.problem.starts_with("The patch folder ") &&
          (result.problem.find(" is missing.") != std::string::npos ||
           result.problem.find(" holds none of the game's files.") != std::string::npos)) ||
         result.problem.starts_with("The 1.0.0 patch folder lacks "));
    if (storeLacks && OpenPatchFiles) {
        if (s_.box.Ask(result.problem +
                           "\n\nQuorin can take the files from this game: open the Patch Files "
                           "window now?",
                       "Patch failed", kMbIconExclamation))
            OpenPatchFiles();
        return;
    }
    s_.box.Show(result.problem, "Patch failed", kMbOk | kMbIconExclamation);
}

void Form1::cmdLaunch_Click() {
    if (activity_ != Activity::Idle || busyBox_)
        return;
    // An "Install Path" that is no full folder path would find a jamp.exe
    // relative to wherever Quorin runs: that is no game of the player's.
    if (!InstallPathProblem(s_.install.InstallPath()).empty() ||
        !s_.files.FileExists(ClientExecutablePath(s_.install.InstallPath()))) {
        s_.box.Show("Shutting down..", "Cant find your JKA executable!", kMbOk | kMbIconCritical);
        return End();
    }
    // An address typed into Server Settings is handed on, so that the game
    // joins that server instead of opening its menu.
    const std::string arguments =
        addressFromDialog_ ? WithAddress(CommandLine, ServerIP + ":" + ServerPort) : CommandLine;
    statusBeforeGame_ = c_.lblStatus;
    c_.lblPatchMeVisible = false;
    SetStatus(kGameRunning);
    game_ = s_.launcher.Start(PlanLaunch(s_.install.InstallPath(), arguments));
    if (game_)
        activity_ = Activity::GameRunning; // no tick or click until it ends
    else
        c_.lblStatus = statusBeforeGame_; // nothing started: nothing to wait for
}

void Form1::GameEnded() {
    if (activity_ != Activity::GameRunning)
        return;
    game_.reset();
    activity_ = Activity::Idle;
    c_.lblStatus = statusBeforeGame_;
}

} // namespace quorin
