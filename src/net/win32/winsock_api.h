// The socket calls answered by ws2_32, and GUID text by ole32.
#pragma once

#include <cstdint>
#include <map>

#include "common/win32/unique_handle.h"
#include "net/guid_text.h"
#include "net/socket_api.h"

namespace quorin::win32 {

class WinsockApi : public ISocketApi {
  public:
    int Startup(std::uint16_t version) override;
    void Cleanup() override;
    SocketHandle Socket(int family, int type, int protocol) override;
    int Close(SocketHandle socket) override;
    std::uint32_t InetAddr(const std::string& host) override;
    std::optional<std::uint32_t> HostByName(const std::string& host) override;
    int Connect(SocketHandle socket, const SocketAddress& address) override;
    int Select(SocketHandle socket, bool forWriting) override;
    int Send(SocketHandle socket, const std::uint8_t* data, int length) override;
    int Recv(SocketHandle socket, std::uint8_t* buffer, int length) override;
    int GetProtocolInfo(SocketHandle socket, std::uint8_t* record, int& length) override;
    int EnumProtocols(std::uint8_t* buffer, std::uint32_t& length) override;
    int LastError() override;

  private:
    // Windows makes a refused datagram readable, and the receive then fails
    // with 10054. Wine on Linux only sets the socket's error, which never
    // clears, so that a second refusal would go unseen: an error that first
    // appears is reported once, a refusal the way Windows reports it, and
    // the socket behind the caller's handle is then replaced by a fresh one
    // connected to the same server. The caller keeps its one handle.
    struct Entry {
        UniqueSocket native;  // the socket now behind the handle, closed with it
        SocketAddress peer{}; // where it is connected
        bool connected = false;
        int seen = 0;         // the error last reported, on a socket not replaced
        bool pending = false; // an error to report at the next receive
    };
    SOCKET Native(SocketHandle socket) const;
    // A fresh socket connected where the old one was; false leaves the old one.
    bool Replace(Entry& entry);
    std::map<SocketHandle, Entry> sockets_;
};

// StringFromGUID2, with room for 40 characters.
class Ole32GuidText : public IGuidText {
  public:
    std::string GuidToString(const Guid& guid) override;
};

} // namespace quorin::win32
