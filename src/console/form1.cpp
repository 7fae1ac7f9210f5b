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
