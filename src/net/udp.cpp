#include "net/udp.h"

#include <vector>

#include "net/protocol.h"

namespace quorin {

std::int16_t UnsignedToInteger(std::int64_t value) {
    if (value < 0 || value > 65535)
        throw std::overflow_error("Overflow");
    return static_cast<std::int16_t>(value > 32767 ? value - 65536 : value);
}

int UdpLayer::StartWinsock(std::uint16_t version) {
    return Record([&] { return api_.Startup(version); });
}

SocketHandle UdpLayer::CreateSocket(int family, int type, int protocol) {
    try {
        return Record([&] { return api_.Socket(family, type, protocol); });
    } catch (...) {
        return kNoSocket;
    }
}

std::uint32_t UdpLayer::ResolveHost(const std::string& host) {
    // 255.255.255.255 converts to INADDR_NONE and is looked up as a name.
    const std::uint32_t address = Record([&] { return api_.InetAddr(host); });
    if (address != kInaddrNone)
        return address;
    const auto entry = Record([&] { return api_.HostByName(host); });
    return entry ? *entry : kInaddrNone;
}

int UdpLayer::ConnectSocket(SocketHandle socket, const std::string& host, std::int32_t port) {
    if (socket <= 0 || host.empty() || port <= 0 || port > 65535)
        return -1;
    try {
        // The family comes from the socket's own protocol record; when that
        // cannot be read it stays 0 and connect reports its own error.
        std::int32_t family = 0;
        {
            CProtocol protocol;
            Record([&] { return protocol.GetBySocketHandle(api_, guids_, socket); });
            family = protocol.AddressFamily();
        }
        const std::uint32_t address = ResolveHost(host);
        if (address == kInaddrNone)
            return -1;
        const auto wirePort = static_cast<std::uint16_t>(UnsignedToInteger(port));
        SocketAddress sa{};
        sa[0] = static_cast<std::uint8_t>(family & 0xFF); // host byte order (little-endian)
        sa[1] = static_cast<std::uint8_t>((family >> 8) & 0xFF);
        sa[2] = static_cast<std::uint8_t>(wirePort >> 8); // network byte order
        sa[3] = static_cast<std::uint8_t>(wirePort & 0xFF);
        // The address is already in network byte order: its bytes in memory order.
        for (int i = 0; i < 4; ++i)
            sa[4 + i] = static_cast<std::uint8_t>(address >> (8 * i));
        return Record([&] { return api_.Connect(socket, sa); });
    } catch (...) {
        return -1;
    }
}

bool UdpLayer::IsWritable(SocketHandle socket) {
    // A failing test (-1) counts as ready: the send then reports its own error.
    return Record([&] { return api_.Select(socket, true); }) != 0;
}

bool UdpLayer::IsReadable(SocketHandle socket) {
    return SelectReadable(socket) != 0;
}

int UdpLayer::SelectReadable(SocketHandle socket) {
    return Record([&] { return api_.Select(socket, false); });
}

int UdpLayer::SendString(SocketHandle socket, std::string_view text) {
    const int length = static_cast<int>(text.size());
    if (length == 0 || !IsWritable(socket))
        return -1;
    return Record([&] {
        return api_.Send(socket, reinterpret_cast<const std::uint8_t*>(text.data()), length);
    });
}

int UdpLayer::RecvString(SocketHandle socket, std::string& text) {
    if (!IsReadable(socket))
        return -1;
    std::vector<std::uint8_t> buffer(kReceiveBufferSize, 0);
    const int n =
        Record([&] { return api_.Recv(socket, buffer.data(), static_cast<int>(buffer.size())); });
    if (n > 0)
        text.assign(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(n));
    return n;
}

void UdpLayer::CloseSocket(SocketHandle socket) {
    if (socket != kNoSocket)
        Record([&] { return api_.Close(socket); });
}

} // namespace quorin
