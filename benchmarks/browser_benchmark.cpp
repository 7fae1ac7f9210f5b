// The list of servers timed under Wine, for scripts/bench-browser:
//
//   browser_benchmark refresh MASTERPORT   one refresh: its time, and each server's ping
//   browser_benchmark window MASTERPORT S  the window refreshing for S seconds: how soon it
//                                          answers a message meanwhile, and the memory its
//                                          list takes
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "browser/win32/browser_window.h"
#include "net/win32/datagram_socket_win32.h"

#include <psapi.h>

namespace {

using namespace quorin;
using Clock = std::chrono::steady_clock;

struct Pings : IRefreshSink {
    std::vector<std::pair<int, int>> rows; // port, ping (-1: not responding)
    void MasterDone(std::size_t, MasterOutcome, std::size_t) override {}
    void ServerListed(ServerAddress) override {}
    void ServerAnswered(ServerAddress s, const ServerInfo&, int pingMs) override {
        rows.emplace_back(s.port, pingMs);
    }
    void ServerSilent(ServerAddress s) override { rows.emplace_back(s.port, -1); }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::size_t WorkingSetKb() {
    PROCESS_MEMORY_COUNTERS counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / 1024;
}

int Refresh(std::uint16_t port) {
    win32::DatagramSocket socket;
    if (const int error = socket.Open()) {
        std::printf("error %d\n", error);
        return 1;
    }
    Pings pings;
    std::atomic<bool> stop{false};
    const auto start = Clock::now();
    // The getinfo pass alone, as qstat's is timed; the players' statuses
    // that the list asks next are not part of it.
    RefreshLimits limits;
    limits.statusAttempts = 0;
    ServerRefresh(socket, pings, 1, limits).Run({{"127.0.0.1", port}}, stop);
    std::printf("elapsed_ms %.0f\n", Ms(Clock::now() - start));
    for (const auto& [server, ping] : pings.rows)
        std::printf("%d %d\n", server, ping);
    return 0;
}

// The settings of the run alone: the stand-in master, nothing kept.
class RunSettings : public ISettingsStore {
  public:
    explicit RunSettings(std::string masters) : masters_(std::move(masters)) {}
    std::optional<StoredValue> Read(const std::string& name) override {
        if (name == kMastersValue)
            return StoredValue{true, masters_};
        return std::nullopt;
    }
    bool Write(const std::string&, const std::string&) override { return true; }

  private:
    std::string masters_;
};

int Window(std::uint16_t port, int seconds) {
    const std::size_t before = WorkingSetKb();
    RunSettings settings("127.0.0.1:" + std::to_string(port));
    win32::BrowserWindow window(settings, {});
    if (!window.Create())
        return 1;
    window.Show();
    window.Refresh();
    std::atomic<bool> done{false}, probeEnded{false};
    std::vector<double> latencies;
    // Another thread asks the window the way the system does, and times it.
    std::thread probe([&] {
        while (!done) {
            const auto sent = Clock::now();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutA(window.Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            latencies.push_back(Ms(Clock::now() - sent));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        probeEnded = true;
    });
    // The window answers until the probe has ended: its last message, sent
    // as the time runs out, is answered rather than left to time out.
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!probeEnded) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!window.PreTranslate(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        done = Clock::now() >= end;
    }
    probe.join();
    window.Sync(true);
    std::sort(latencies.begin(), latencies.end());
    std::printf("rows %zu\n", window.Rows().size());
    std::printf("answers %zu, median_ms %.1f, max_ms %.1f\n", latencies.size(),
                latencies.empty() ? 0.0 : latencies[latencies.size() / 2],
                latencies.empty() ? 0.0 : latencies.back());
    std::printf("memory_kb %zu\n", WorkingSetKb() - std::min(before, WorkingSetKb()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    const auto port = static_cast<std::uint16_t>(argc > 2 ? std::atoi(argv[2]) : 0);
    if (mode == "refresh")
        return Refresh(port);
    if (mode == "window" && argc > 3)
        return Window(port, std::atoi(argv[3]));
    std::fprintf(stderr, "usage: browser_benchmark refresh|window MASTERPORT [SECONDS]\n");
    return 2;
}
