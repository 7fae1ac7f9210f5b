// The main window's workflow, its first half: start-up, the server's
// address, the query cycle and the details panel.
#include "console/form1.h"

#include <chrono>
#include <utility>

#include "common/versions.h"
#include "console/command_line.h"
#include "console/server_text.h"
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
    if (!services_.install.GameKeyExists()) {
        services_.box.Show("Please install JKA!", "Can't Locate JKA!", kMbOk);
        return End();
    }
    services_.install.LoadInstallInfo();
    controls_.lblStatus = kInstallDetected;
    RecoverInterruptedSwitch();

    const CommandLineAddress address = ReadCommandLine(CommandLine);
    if (address.needsDialog) {
        if (!AskForAddress())
            return;
    } else {
        ServerIP = address.serverIP;
        ServerPort = address.serverPort;
        controls_.lblIP = ServerIP;
        controls_.lblPort = ServerPort;
    }

    if (const int rc = services_.udp.StartWinsock(kWinsockVersion22); rc != 0) {
        ShowErrorMessage(rc);
        return End();
    }
    UdpSocket = services_.udp.CreateSocket(kAfInet, kSockDgram, kIpprotoUdp);
    if (UdpSocket == kNoSocket) {
        ShowErrorMessage(services_.udp.LastSocketError());
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
    controls_.cmdQueryEnabled = true;
    queryOnShow_ = true; // its reply is read once a recovery started above has ended
}

void Form1::Form_Shown() {
    if (std::exchange(queryOnShow_, false) && !ended_)
        Query();
}

bool Form1::AskForAddress() {
    if (!services_.serverDialog.ShowModal(
            {ServerIP, ServerPort, controls_.lblIP, controls_.lblPort})) {
        ended_ = true;
        return false;
    }
    if (!ServerIP.empty() && ServerPort.empty()) // the game's port, as for "+connect host"
        ServerPort = controls_.lblPort = kDefaultGamePortText;
    if (ServerPort.empty() || ServerIP.empty()) {
        services_.box.Show("No IP to connect to!", "", kMbOk);
        End();
        return false;
    }
    ServerIP = controls_.lblIP;
    ServerPort = controls_.lblPort;
    addressFromDialog_ = true;
    return true;
}

bool Form1::ConnectToServer() {
    // A bad port or an empty host is the player's to fix: say what is wrong
    // instead of a Winsock number.
    if (const std::string bad = BadAddressText(controls_.lblIP, controls_.lblPort); !bad.empty()) {
        services_.box.Show(bad, "", kMbOk | kMbIconExclamation);
        return false;
    }
    const auto port = static_cast<std::int32_t>(*ParsePort(controls_.lblPort));
    if (services_.udp.ConnectSocket(UdpSocket, controls_.lblIP, port) == -1) {
        ShowErrorMessage(services_.udp.LastSocketError());
        return false;
    }
    SocketCount = 1;
    return true;
}

void Form1::Form_Unload() {
    services_.udp.CloseSocket(UdpSocket); // nothing to close before one was created
    UdpSocket = kNoSocket;
    SocketCount = 0;
    ended_ = true;
    services_.process.EndProcess();
}

void Form1::cmdQuery_Click() {
    if (activity_ == Activity::Idle && !switchBoxOpen_)
        Query();
}

void Form1::Query() {
    lastBoxed_.reset(); // asked again: a failure is worth a box again
    quietTicks_ = 0;
    sentAt_ = Now();
    arrivedAt_.reset();
    pingPending_ = true;
    controls_.lblStatus = kQuerying;
    if (services_.udp.SendString(UdpSocket, kStatusRequest) == -1)
        ReportSocketError();
}

void Form1::ReportSocketError() {
    const std::int32_t code = services_.udp.LastSocketError();
    ShowErrorMessage(code);
    if (code != kWsaeMsgSize)
        return;
    // A flood of oversized datagrams: the ones already waiting go without a
    // box each.
    for (int i = 0; i < 64 && services_.udp.SelectReadable(UdpSocket) >= 1; ++i) {
        std::string text;
        const int n = services_.udp.RecvString(UdpSocket, text);
        if (n > 0)
            ParseStatusReply(text); // a good reply among them still counts
        else if (n == 0 || services_.udp.LastSocketError() != kWsaeMsgSize)
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
    if (services_.udp.SelectReadable(UdpSocket) != 0)
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
    if (SocketCount < 1 || ended_ || activity_ != Activity::Idle || switchBoxOpen_ || errorBoxOpen_)
        return;
    const int ready = services_.udp.SelectReadable(UdpSocket);
    if (ready == -1)
        ReportSocketError();
    else if (ready >= 1)
        ReadServerReply(UdpSocket);
    else if (controls_.lblStatus == kQuerying && ++quietTicks_ >= kQuietTicks)
        ShowNotResponding(); // a reply that comes later still counts
}

void Form1::ShowNotResponding() {
    controls_.lblStatus = kNotResponding;
    // The last reply's players, map and ping are no longer the server's.
    controls_.glance.clear();
    controls_.serverName.clear();
}

void Form1::ReadServerReply(SocketHandle socket) {
    std::string text;
    const int n = services_.udp.RecvString(socket, text);
    if (n > 0)
        ParseStatusReply(text);
    else if (n == -1)
        ReportSocketError();
}

void Form1::ParseStatusReply(const std::string& text) {
    controls_.lstSVRVariable.clear();
    controls_.lstSVRValue.clear();
    controls_.variableSelected = controls_.valueSelected = -1;
    ++listsGeneration_;
    const StatusReply reply = quorin::ParseStatusReply(text);
    controls_.pairRows = 0;
    controls_.glance.clear();
    controls_.serverName.clear();
    if (!reply.headerPresent) {
        controls_.lblStatus = kNoResults;
        controls_.cmdLaunchVisible = false;
        return;
    }
    lastBoxed_.reset();
    const std::int64_t ping = arrivedAt_.value_or(Now()) - sentAt_;
    pingPending_ = false;
    controls_.lblClientVersion = InstalledVersion();
    for (const auto& [name, value] : reply.pairs) {
        controls_.lstSVRVariable.emplace_back(name);
        controls_.lstSVRValue.emplace_back(value);
    }
    // A "version" naming neither game version (an open-source engine's own),
    // or none at all, is named by the reply's protocol instead.
    if (const auto effective = EffectiveServerVersion(reply))
        SetServerVersion(*effective);
    // The players, each a row of its own after the server's pairs.
    controls_.pairRows = static_cast<int>(controls_.lstSVRValue.size());
    const std::string maxClients = MaxClients(controls_.lstSVRVariable, controls_.lstSVRValue);
    std::string map, name;
    for (int i = 0; i < controls_.pairRows; ++i) {
        if (controls_.lstSVRVariable[i] == "mapname")
            map = FirstLine(controls_.lstSVRValue[i]);
        if (controls_.lstSVRVariable[i] == "sv_hostname")
            name = FirstLine(controls_.lstSVRValue[i]);
    }
    const auto players =
        controls_.pairRows ? PlayerLines(controls_.lstSVRValue.back()) : std::nullopt;
    for (const std::string& line : players.value_or(std::vector<std::string>{})) {
        controls_.lstSVRVariable.push_back(ParsePlayers(line)->front().name);
        controls_.lstSVRValue.push_back(line);
    }
    for (const std::string& part :
         {players ? PlayerCount(players->size(), maxClients) : std::string(), Uncoloured(map),
          std::to_string(ping) + " ms"})
        if (!part.empty())
            controls_.glance +=
                (controls_.glance.empty() ? "" : ", ") + part; // cleared with the lists
    controls_.serverName = name;
    controls_.cmdExpandEnabled = true;
    controls_.scrollMax = static_cast<int>(controls_.lstSVRValue.size());
    if (!controls_.lstSVRValue.empty())
        Select(0);
    // Only a server of one of the two game versions is joined or switched
    // for: any other gets neither Patch nor Launch, and says why.
    const std::string_view server = controls_.lblSVRVersion;
    if (server != kVersion100 && server != kVersion101) {
        controls_.lblPatchMeVisible = controls_.cmdLaunchVisible = false;
        controls_.lblStatus = LooksLikeJka(reply) ? kUnknownVersion : kNotJka;
    } else if (controls_.lblSVRVersion == controls_.lblClientVersion) {
        controls_.cmdLaunchVisible = true;
        controls_.cmdLaunchEnabled = true;
        controls_.lblStatus = kReadyToLaunch;
    } else {
        controls_.lblStatus = kNeedsPatched;
    }
}

void Form1::SetServerVersion(std::string version) {
    controls_.lblSVRVersion = std::move(version);
    const bool same = controls_.lblSVRVersion == controls_.lblClientVersion;
    controls_.lblPatchMeVisible = !same;
    controls_.cmdLaunchVisible = same;
}

void Form1::ShowErrorMessage(std::int32_t lngWinsockErrorCode) {
    controls_.cmdExpandEnabled = false;
    if (lngWinsockErrorCode == kWsaeConnReset) {
        ShowNotResponding();
        return;
    }
    // One box at a time, and the same failure again (a flood of bad
    // datagrams, a poll failing on every tick) waits for the player to ask
    // again: the ticks under an open box would otherwise stack boxes.
    if (errorBoxOpen_ || lastBoxed_ == lngWinsockErrorCode)
        return;
    errorBoxOpen_ = true;
    lastBoxed_ = lngWinsockErrorCode;
    services_.box.Show(std::string(GetErrorDescription(lngWinsockErrorCode)), "Winsock error",
                       kMbOk | kMbIconExclamation);
    errorBoxOpen_ = false;
}

void Form1::cmdExpand_Click() {
    controls_.cmdExpandCaption.assign(1, controls_.Expanded() ? '+' : '-');
}

void Form1::Select(int index) {
    controls_.variableSelected = index;
    controls_.valueSelected = index;
}

void Form1::VScroll1_Change(int value) {
    controls_.scrollValue = value;
    if (value >= 0 && value < controls_.scrollMax &&
        value < static_cast<int>(controls_.lstSVRValue.size()))
        Select(value);
}

// A click selects its row in the list clicked, and the same row in the other.
// A row clicked in either list is selected in both, and the scroll bar follows it.
void Form1::lstSVRVariable_Click(int index) {
    controls_.scrollValue = controls_.variableSelected = controls_.valueSelected = index;
}
void Form1::lstSVRValue_Click(int index) {
    controls_.scrollValue = controls_.valueSelected = controls_.variableSelected = index;
}

} // namespace quorin
