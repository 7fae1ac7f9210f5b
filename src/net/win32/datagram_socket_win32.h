// The refresh's one socket on Winsock: unconnected UDP on any local port,
// arrival times from the performance counter.
#pragma once

#include <vector>

#include "common/win32/unique_handle.h"
#include "net/server_refresh.h"

namespace quorin::win32 {

class DatagramSocket : public IDatagramSocket {
  public:
    DatagramSocket() = default;
    ~DatagramSocket() override;
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;
    // Starts Winsock and opens the socket: 0, or the Winsock error.
    int Open();

    std::optional<std::uint32_t> Resolve(const std::string& host) override;
    bool SendTo(ServerAddress to, std::string_view datagram) override;
    std::optional<Arrival> Receive(std::int64_t timeoutMicros) override;
    std::int64_t NowMicros() override;

  private:
    bool started_ = false; // WSAStartup succeeded, and WSACleanup is owed
    UniqueSocket socket_;
    std::vector<char> buffer_ = std::vector<char>(65536);
    std::int64_t frequency_ = 1;
};

} // namespace quorin::win32
