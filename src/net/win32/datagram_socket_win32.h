// The refresh's one socket on Winsock: unconnected UDP on any local port. A
// thread of its own waits in recvfrom and reads the clock the moment each
// datagram arrives, however busy the refresh is sending; the refresh takes
// them from its queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
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
    // Starts Winsock, opens the socket and its receiving thread: 0, or the
    // Winsock error.
    int Open();

    std::optional<std::uint32_t> Resolve(const std::string& host) override;
    bool SendTo(ServerAddress to, std::string_view datagram) override;
    std::optional<Arrival> Receive(std::int64_t timeoutMicros) override;
    std::int64_t NowMicros() override;

    // Datagrams, and their bytes, waiting at most; beyond, more are
    // dropped, as a full socket buffer drops them.
    static constexpr std::size_t kQueueLimit = 4096;
    static constexpr std::size_t kQueueBytesLimit = 8 << 20;

  private:
    void ReceiveLoop();

    bool started_ = false; // WSAStartup succeeded, and WSACleanup is owed
    UniqueSocket socket_;
    std::int64_t frequency_ = 1;
    std::thread receiver_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Arrival> queue_;
    std::size_t queuedBytes_ = 0;
};

} // namespace quorin::win32
