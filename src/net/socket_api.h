// The socket calls the server link makes, one per Winsock call it needs.
// Results and error numbers are Winsock's; an adapter for another sockets
// interface translates to them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quorin {

// A socket descriptor as the tool keeps it: 32-bit signed, -1 for none.
using SocketHandle = std::int32_t;
inline constexpr SocketHandle kNoSocket = -1;

inline constexpr int kAfInet = 2;
inline constexpr int kSockDgram = 2;
inline constexpr int kIpprotoUdp = 17;
inline constexpr std::uint32_t kInaddrNone = 0xFFFFFFFF;
inline constexpr int kSocketError = -1;
inline constexpr int kWsaeNoBufs = 10055;

// One WSAPROTOCOL_INFOA record: 372 bytes, little-endian, no gaps.
inline constexpr std::size_t kProtocolRecordSize = 372;
using ProtocolRecord = std::array<std::uint8_t, kProtocolRecordSize>;

// sockaddr_in: family (host order), port and address (network order), 8 zeros.
using SocketAddress = std::array<std::uint8_t, 16>;

class ISocketApi {
  public:
    virtual ~ISocketApi() = default;
    virtual int Startup(std::uint16_t version) = 0;
    virtual void Cleanup() = 0;
    virtual SocketHandle Socket(int family, int type, int protocol) = 0;
    virtual int Close(SocketHandle socket) = 0;
    // inet_addr: the address in network byte order, or kInaddrNone.
    virtual std::uint32_t InetAddr(const std::string& host) = 0;
    // gethostbyname: the first IPv4 address of the entry, network byte order.
    virtual std::optional<std::uint32_t> HostByName(const std::string& host) = 0;
    virtual int Connect(SocketHandle socket, const SocketAddress& address) = 0;
    // select on the one socket, for writing or for reading, never waiting.
    virtual int Select(SocketHandle socket, bool forWriting) = 0;
    virtual int Send(SocketHandle socket, const std::uint8_t* data, int length) = 0;
    virtual int Recv(SocketHandle socket, std::uint8_t* buffer, int length) = 0;
    // getsockopt(SOL_SOCKET, SO_PROTOCOL_INFOA).
    virtual int GetProtocolInfo(SocketHandle socket, std::uint8_t* record, int& length) = 0;
    // WSAEnumProtocolsA for every protocol: a count, or kSocketError with the
    // size needed written into `length`.
    virtual int EnumProtocols(std::uint8_t* buffer, std::uint32_t& length) = 0;
    // WSAGetLastError.
    virtual int LastError() = 0;
};

} // namespace quorin
