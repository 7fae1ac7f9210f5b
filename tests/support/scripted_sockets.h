// Winsock as the main window's workflow sees it, scripted by the test: what
// arrives, what fails, and a record of what was connected and sent.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "console/form1.h"
#include "net/socket_api.h"
#include "net/udp.h"

namespace quorin::test {

class ScriptedSockets : public ISocketApi {
  public:
    struct Arrival {
        int result; // bytes, 0, or -1
        std::string bytes;
        int error = 0;
    };
    int startup = 0;
    int socketError = 0; // creation fails with this when not 0
    int selectError = 0; // select fails with this when not 0
    int sendError = 0;   // send fails with this when not 0
    std::deque<Arrival> arrivals;
    std::vector<SocketAddress> connects;
    std::vector<std::string> sent;
    int closes = 0;

    void Arrive(std::string bytes) {
        const int n = static_cast<int>(bytes.size());
        arrivals.push_back({n, std::move(bytes)});
    }
    void Fail(int error) { arrivals.push_back({-1, {}, error}); }

    // The protocol catalogue: its records, a second enumeration (after the
    // size is learnt) that fails, and getsockopt failing with `infoError`.
    std::vector<ProtocolRecord> records;
    bool secondEnumerationFails = false;
    int enumerations = 0;
    int infoError = 0;
    int cleanups = 0;

    int Startup(std::uint16_t) override { return startup; }
    void Cleanup() override { ++cleanups; }
    SocketHandle Socket(int, int, int) override { return (error_ = socketError) ? kNoSocket : 7; }
    int Close(SocketHandle) override { return ++closes, 0; }
    std::uint32_t InetAddr(const std::string& host) override {
        return host.find_first_not_of("0123456789.") == std::string::npos ? 0x0100007F
                                                                          : kInaddrNone;
    }
    std::vector<std::string> lookedUp;
    std::optional<std::uint32_t> HostByName(const std::string& host) override {
        lookedUp.push_back(host);
        if (host != "unresolvable")
            return 0x0100007F;
        error_ = 11001;
        return std::nullopt;
    }
    int Connect(SocketHandle, const SocketAddress& a) override { return connects.push_back(a), 0; }
    int Select(SocketHandle, bool forWriting) override {
        if (selectError)
            return error_ = selectError, kSocketError;
        return forWriting || !arrivals.empty() ? 1 : 0;
    }
    int Send(SocketHandle, const std::uint8_t* data, int length) override {
        if (sendError)
            return error_ = sendError, kSocketError;
        sent.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
        return length;
    }
    int Recv(SocketHandle, std::uint8_t* buffer, int length) override {
        Arrival a = arrivals.front();
        arrivals.pop_front();
        error_ = a.error;
        const std::size_t n = std::min(a.bytes.size(), static_cast<std::size_t>(length));
        std::copy_n(a.bytes.data(), n, buffer);
        return a.result;
    }
    int GetProtocolInfo(SocketHandle, std::uint8_t* record, int&) override {
        if (infoError)
            return error_ = infoError, kSocketError;
        record[76] = kAfInet; // iAddressFamily
        return 0;
    }
    int EnumProtocols(std::uint8_t* buffer, std::uint32_t& length) override {
        if (++enumerations == 2 && secondEnumerationFails)
            return kSocketError;
        const auto needed = static_cast<std::uint32_t>(records.size() * kProtocolRecordSize);
        if (length < needed)
            return length = needed, error_ = kWsaeNoBufs, kSocketError;
        for (std::size_t i = 0; i < records.size(); ++i)
            std::copy_n(records[i].data(), kProtocolRecordSize, buffer + i * kProtocolRecordSize);
        return static_cast<int>(records.size());
    }
    int LastError() override { return error_; }

  private:
    int error_ = 0;
};

class RecordingBox : public IMessageBox {
  public:
    struct Shown {
        std::string text, caption;
        unsigned style;
        bool operator==(const Shown&) const = default;
    };
    std::vector<Shown> shown;
    bool answer = false; // Yes or No to every question
    void Show(const std::string& text, const std::string& caption, unsigned style) override {
        shown.push_back({text, caption, style});
    }
    bool Ask(const std::string& text, const std::string& caption, unsigned style) override {
        shown.push_back({text, caption, style | kMbYesNo});
        return answer;
    }
};

class RecordingProcess : public IProcessControl {
  public:
    int ends = 0;
    void EndProcess() override { ++ends; }
};

} // namespace quorin::test
