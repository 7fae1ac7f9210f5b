// The thin layer over Windows Sockets 2 for the tool's one UDP socket to the
// game server. Every function answers with a plain number; none shows
// anything. After every socket call the last socket error is recorded, for
// the caller to report when a function gives -1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "net/guid_text.h"
#include "net/socket_api.h"

namespace quorin {

inline constexpr std::uint16_t kWinsockVersion22 = 0x0202;
inline constexpr std::size_t kReceiveBufferSize = 8192;

// The signed 16-bit value with the same low 16 bits as `value`; values outside
// 0..65535 raise std::overflow_error.
std::int16_t UnsignedToInteger(std::int64_t value);

class UdpLayer {
  public:
    UdpLayer(ISocketApi& api, IGuidText& guids) : api_(api), guids_(guids) {}

    // WSAStartup's result: 0, or the Winsock error code.
    int StartWinsock(std::uint16_t version);
    SocketHandle CreateSocket(int family, int type, int protocol);
    // The IPv4 address in network byte order, or -1 (0xFFFFFFFF).
    std::uint32_t ResolveHost(const std::string& host);
    // connect's result (0 on success), or -1. Ports 1 to 65535 connect; 0,
    // negative ports and ports above 65535 give -1 without connecting, as do
    // a socket of 0 or less and an empty or unresolvable host.
    int ConnectSocket(SocketHandle socket, const std::string& host, std::int32_t port);
    bool IsWritable(SocketHandle socket);
    bool IsReadable(SocketHandle socket);
    // The zero-time readiness test itself: select's result (-1, 0 or 1).
    int SelectReadable(SocketHandle socket);
    // Bytes sent, or -1 (nothing to send, or not writable).
    int SendString(SocketHandle socket, std::string_view text);
    // Bytes received (> 0, and then `text` holds them), 0, or -1; `text` is
    // left as it was unless bytes arrived.
    int RecvString(SocketHandle socket, std::string& text);
    // Closes a socket the layer created; the result is ignored.
    void CloseSocket(SocketHandle socket);

    int LastSocketError() const { return lastError_; }

  private:
    template <typename Call> auto Record(Call&& call) {
        auto result = call();
        lastError_ = api_.LastError();
        return result;
    }

    ISocketApi& api_;
    IGuidText& guids_;
    int lastError_ = 0;
};

} // namespace quorin
