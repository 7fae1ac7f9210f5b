#include "net/win32/datagram_socket_win32.h"

namespace quorin::win32 {
namespace {

sockaddr_in Native(ServerAddress address) {
    sockaddr_in native{};
    native.sin_family = AF_INET;
    native.sin_port = htons(address.port);
    native.sin_addr.s_addr = htonl(address.ip);
    return native;
}

} // namespace

int DatagramSocket::Open() {
    WSADATA data;
    if (const int error = ::WSAStartup(MAKEWORD(2, 2), &data))
        return error;
    started_ = true;
    socket_.Reset(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (!socket_ || ::bind(socket_.Get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        return ::WSAGetLastError();
    }
    // A server that is not there makes Windows refuse the next receive on
    // an unconnected socket (10054) unless this is turned off.
    constexpr DWORD kSioUdpConnreset = IOC_IN | IOC_VENDOR | 12;
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(socket_.Get(), kSioUdpConnreset, &report, sizeof report, nullptr, 0, &returned,
               nullptr, nullptr);
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart;
    return 0;
}

DatagramSocket::~DatagramSocket() {
    socket_.Reset();
    if (started_)
        ::WSACleanup();
}

std::optional<std::uint32_t> DatagramSocket::Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    const std::uint32_t ip =
        ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return ip;
}

bool DatagramSocket::SendTo(ServerAddress to, std::string_view datagram) {
    const sockaddr_in native = Native(to);
    return ::sendto(socket_.Get(), datagram.data(), static_cast<int>(datagram.size()), 0,
                    reinterpret_cast<const sockaddr*>(&native),
                    sizeof native) == static_cast<int>(datagram.size());
}

std::optional<IDatagramSocket::Arrival> DatagramSocket::Receive(std::int64_t timeoutMicros) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_.Get(), &readable);
    timeval wait{static_cast<long>(timeoutMicros / 1'000'000),
                 static_cast<long>(timeoutMicros % 1'000'000)};
    if (::select(0, &readable, nullptr, nullptr, &wait) != 1)
        return std::nullopt;
    sockaddr_in from{};
    int fromLength = sizeof from;
    const int got = ::recvfrom(socket_.Get(), buffer_.data(), static_cast<int>(buffer_.size()), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
    const std::int64_t at = NowMicros(); // the moment it arrived, before anything else
    if (got < 0 || from.sin_family != AF_INET)
        return std::nullopt;
    return Arrival{{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)},
                   std::string(buffer_.data(), static_cast<std::size_t>(got)),
                   at};
}

std::int64_t DatagramSocket::NowMicros() {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency_ * 1'000'000 +
           counter.QuadPart % frequency_ * 1'000'000 / frequency_;
}

} // namespace quorin::win32
