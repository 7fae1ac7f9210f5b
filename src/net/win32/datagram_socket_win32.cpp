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
    // The receiving thread looks at its stop flag at least every 100 ms.
    const DWORD wait = 100;
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                 sizeof wait);
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart;
    receiver_ = std::thread([this] { ReceiveLoop(); });
    return 0;
}

DatagramSocket::~DatagramSocket() {
    stop_ = true;
    if (receiver_.joinable())
        receiver_.join();
    socket_.Reset();
    if (started_)
        ::WSACleanup();
}

void DatagramSocket::ReceiveLoop() {
    std::vector<char> buffer(65536);
    while (!stop_) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int got = ::recvfrom(socket_.Get(), buffer.data(), static_cast<int>(buffer.size()), 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
        const std::int64_t at = NowMicros(); // the moment it arrived, before anything else
        // A time-out, a refusal or a datagram too big: nothing to hand on.
        if (got < 0 || from.sin_family != AF_INET)
            continue;
        {
            const std::lock_guard hold(lock_);
            if (queue_.size() >= kQueueLimit ||
                queuedBytes_ + static_cast<std::size_t>(got) > kQueueBytesLimit)
                continue;
            queuedBytes_ += static_cast<std::size_t>(got);
            queue_.push_back({{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)},
                              std::string(buffer.data(), static_cast<std::size_t>(got)),
                              at});
        }
        arrived_.notify_one();
    }
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
    std::unique_lock hold(lock_);
    if (!arrived_.wait_for(hold, std::chrono::microseconds(timeoutMicros),
                           [this] { return !queue_.empty(); }))
        return std::nullopt;
    Arrival arrival = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= arrival.datagram.size();
    return arrival;
}

std::int64_t DatagramSocket::NowMicros() {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency_ * 1'000'000 +
           counter.QuadPart % frequency_ * 1'000'000 / frequency_;
}

} // namespace quorin::win32
